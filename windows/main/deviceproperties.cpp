#include "windows/main/deviceproperties.h"

#include "inventory/catalogue.h"

namespace deviceproperties {

using inventory::WmiValue;

bool isListed(const WmiValue &value)
{
    if (value.isNull() || value.kind() == WmiValue::Kind::Array)
        return false;
    if (value.kind() == WmiValue::Kind::Boolean)
        return true;
    try {
        return value.toNumber() != 1.0;
    } catch (const inventory::WmiError &) {
        return true; // a text that is not a number
    }
}

QStringList GetDeviceProperties(const QStringList &pathParts)
{
    QString joined;
    try {
        auto service = inventory::connectManagement(QStringLiteral("winmgmts:"));
        for (const auto &instance : service.InstancesOf(QStringLiteral("Win32_") + pathParts.value(1))) {
            try {
                const WmiValue &caption = instance.property(u"Caption");
                if (caption.isNull() || caption.kind() == WmiValue::Kind::Array || caption.toText() != pathParts.value(2))
                    continue;
            } catch (const inventory::WmiError &) {
                continue; // an instance without a readable caption belongs to no device node
            }
            for (const auto &property : instance.properties()) {
                if (!isListed(property.value))
                    continue;
                joined += property.name + QLatin1Char('^') + property.value.toText() + QLatin1Char('|');
            }
        }
    } catch (const std::exception &) {
        // The class cannot be reached: the entries gathered so far stand.
    }
    return inventory::splitJoinedList(joined);
}

} // namespace deviceproperties
