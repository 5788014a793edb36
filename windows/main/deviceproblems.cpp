#include "windows/main/deviceproblems.h"

#include "inventory/catalogue.h"
#include "inventory/wmi.h"

#include <iterator>

namespace deviceproblems {

namespace {

using inventory::WmiError;
using inventory::WmiObject;
using inventory::WmiProperty;
using inventory::WmiValue;

// The meanings Windows gives the codes 0 to 31 of ConfigManagerErrorCode.
constexpr const char *kMeanings[] = {
    "This device is working properly.",
    "This device is not configured correctly.",
    "Windows cannot load the driver for this device.",
    "The driver for this device might be corrupted, or your system may be running low on memory or other resources.",
    "This device is not working properly. One of its drivers or your registry might be corrupted.",
    "The driver for this device needs a resource that Windows cannot manage.",
    "The boot configuration for this device conflicts with other devices.",
    "Cannot filter.",
    "The driver loader for the device is missing.",
    "This device is not working properly because the controlling firmware is reporting the resources for the device "
    "incorrectly.",
    "This device cannot start.",
    "This device failed.",
    "This device cannot find enough free resources that it can use.",
    "Windows cannot verify this device's resources.",
    "This device cannot work properly until you restart your computer.",
    "This device is not working properly because there is probably a re-enumeration problem.",
    "Windows cannot identify all the resources this device uses.",
    "This device is asking for an unknown resource type.",
    "Reinstall the drivers for this device.",
    "Failure using the VxD loader.",
    "Your registry might be corrupted.",
    "System failure: Try changing the driver for this device. If that does not work, see your hardware documentation. "
    "Windows is removing this device.",
    "This device is disabled.",
    "System failure: Try changing the driver for this device. If that doesn't work, see your hardware documentation.",
    "This device is not present, is not working properly, or does not have all its drivers installed.",
    "Windows is still setting up this device.",
    "Windows is still setting up this device.",
    "This device does not have valid log configuration.",
    "The drivers for this device are not installed.",
    "This device is disabled because the firmware of the device did not give it the required resources.",
    "This device is using an Interrupt Request (IRQ) resource that another device is using.",
    "This device is not working properly because Windows cannot load the drivers required for this device.",
};

// What an instance reports of itself, read in one pass over its properties without raising
// for what it lacks: this runs for every device of the tree. A missing, Null or malformed
// value (the data comes from outside) counts as none.
DeviceNode stateOf(const WmiObject &instance)
{
    DeviceNode state;
    for (const WmiProperty &property : instance.properties()) {
        const WmiValue &value = property.value;
        if (property.name.compare(u"ConfigManagerErrorCode", Qt::CaseInsensitive) == 0) {
            if (value.kind() == WmiValue::Kind::Integer && value.integerValue() >= 0
                && value.integerValue() <= 0xFFFFFFFFLL)
                state.problemCode = value.integerValue();
        } else if (property.name.compare(u"PNPDeviceID", Qt::CaseInsensitive) == 0) {
            if (value.kind() == WmiValue::Kind::Text)
                state.pnpDeviceId = value.textValue();
        }
    }
    return state;
}

} // namespace

QString problemText(qint64 code)
{
    if (code == 0)
        return {};
    const QString meaning = code > 0 && code < qint64(std::size(kMeanings)) ? QString::fromLatin1(kMeanings[code])
                                                                             : QStringLiteral("This device has a problem.");
    return QStringLiteral("%1 (Code %2)").arg(meaning).arg(code);
}

QList<DeviceNode> classDeviceNodes(const QString &className)
{
    QString joined;
    QList<DeviceNode> origins; // one per piece of the joined text, before it is split
    try {
        auto service = inventory::connectManagement(QStringLiteral("winmgmts:"));
        for (const WmiObject &instance : service.InstancesOf(className)) {
            QString caption;
            try {
                caption = instance.property(u"Caption").toText();
            } catch (const WmiError &) {
                continue; // an instance whose caption cannot be read contributes no entry
            }
            joined += caption + QLatin1Char('|');
            const DeviceNode origin = stateOf(instance);
            for (qsizetype piece = caption.count(QLatin1Char('|')); piece >= 0; --piece)
                origins.append(origin);
        }
    } catch (const std::exception &) {
        // The class cannot be enumerated: the entries gathered so far stand.
    }
    const QStringList texts = inventory::splitJoinedList(joined);
    QList<DeviceNode> nodes;
    nodes.reserve(texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i) // the split drops at most the last, empty piece
        nodes.append({texts.at(i), origins.at(i).problemCode, origins.at(i).pnpDeviceId});
    return nodes;
}

} // namespace deviceproblems
