// Win32_ComputerSystem and Win32_OperatingSystem: host name, os-release and the kernel release.
#include "platform/linux/sources.h"

#include <QRegularExpression>

namespace platform::linuxhw {

namespace {
QString osReleaseField(const SysRoot &root, const QString &key)
{
    QString text = root.readText(QStringLiteral("/etc/os-release"));
    if (text.isEmpty())
        text = root.readText(QStringLiteral("/usr/lib/os-release"));
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.startsWith(key + QLatin1Char('=')))
            continue;
        QString value = line.mid(key.size() + 1).trimmed();
        if (value.size() >= 2 && (value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char('\''))))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}
} // namespace

std::vector<WmiObject> computerSystems(const SysRoot &root)
{
    QString name = root.readText(QStringLiteral("/proc/sys/kernel/hostname"));
    if (name.isEmpty())
        name = root.readText(QStringLiteral("/etc/hostname"));
    WmiObject object(QStringLiteral("Win32_ComputerSystem"));
    object.set(QStringLiteral("Caption"), name.isEmpty() ? WmiValue() : WmiValue::text(name.toUpper()));
    object.set(QStringLiteral("Name"), name.isEmpty() ? WmiValue() : WmiValue::text(name.toUpper()));
    return {object};
}

std::vector<WmiObject> operatingSystems(const SysRoot &root)
{
    const QString pretty = osReleaseField(root, QStringLiteral("PRETTY_NAME"));
    const QString release = root.readText(QStringLiteral("/proc/sys/kernel/osrelease"));
    WmiObject object(QStringLiteral("Win32_OperatingSystem"));
    object.set(QStringLiteral("Caption"), pretty.isEmpty() ? WmiValue() : WmiValue::text(pretty));
    object.set(QStringLiteral("Name"), pretty.isEmpty() ? WmiValue() : WmiValue::text(pretty));
    object.set(QStringLiteral("CSDVersion"), WmiValue());
    object.set(QStringLiteral("Version"), release.isEmpty() ? WmiValue() : WmiValue::text(release));
    object.set(QStringLiteral("OSType"), WmiValue::integer(36));
    return {object};
}

} // namespace platform::linuxhw
