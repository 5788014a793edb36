// Win32_PnPEntity: every device of every bus, under the same name its own class gives it.
#include "platform/linux/driverreport.h"
#include "platform/linux/genericnames.h"
#include "platform/linux/sources.h"

#include <QSet>

namespace platform::linuxhw {

Instance deviceInstance(const QString &className, const PnpDevice &device, const QString &systemName)
{
    Instance instance(className);
    instance.number(QStringLiteral("Availability"), device.missingDriver() ? std::optional<qint64>() : 3);
    instance.text(QStringLiteral("Caption"), device.caption);
    instance.text(QStringLiteral("Description"), device.caption);
    instance.text(QStringLiteral("Name"), device.caption);
    instance.number(QStringLiteral("ConfigManagerErrorCode"), device.errorCode());
    instance.flag(QStringLiteral("ConfigManagerUserConfig"), false);
    instance.text(QStringLiteral("DeviceID"), device.deviceId);
    instance.text(QStringLiteral("PNPDeviceID"), device.deviceId);
    instance.text(QStringLiteral("Status"), device.status());
    instance.number(QStringLiteral("StatusInfo"), 3);
    ownedByComputer(instance, systemName);
    return instance;
}

void ownedByComputer(Instance &instance, const QString &systemName)
{
    instance.text(QStringLiteral("CreationClassName"), instance.className());
    instance.text(QStringLiteral("SystemCreationClassName"), QStringLiteral("Win32_ComputerSystem"));
    instance.text(QStringLiteral("SystemName"), systemName);
}

Instance settingInstance(const QString &className, const QString &deviceName)
{
    Instance instance(className);
    instance.text(QStringLiteral("Caption"), deviceName);
    instance.text(QStringLiteral("Description"), deviceName);
    instance.text(QStringLiteral("SettingID"), deviceName);
    return instance;
}

std::optional<PnpDevice> owningDevice(const SysRoot &root, const QString &sysPath)
{
    QString path = sysPath;
    while (path.startsWith(QLatin1String("/sys/devices/")) && path != QLatin1String("/sys/devices")) {
        const QString subsystem = root.linkTarget(path + QStringLiteral("/subsystem"));
        if (subsystem == QLatin1String("pci"))
            return describePci(root, path);
        if (subsystem == QLatin1String("usb"))
            return describeUsb(root, path);
        if (subsystem == QLatin1String("pnp") || subsystem == QLatin1String("acpi") || subsystem == QLatin1String("platform")) {
            for (const PnpDevice &device : acpiDevices(root))
                if (device.sysPath == path)
                    return device;
            if (subsystem != QLatin1String("platform"))
                return std::nullopt;
        }
        path = parentPath(path);
    }
    return std::nullopt;
}

std::vector<PnpDevice> allPnpDevices(const SysRoot &root)
{
    std::vector<PnpDevice> all;
    QSet<QString> seen;
    auto take = [&](std::vector<PnpDevice> devices) {
        for (PnpDevice &device : devices) {
            if (seen.contains(device.deviceId))
                continue;
            seen.insert(device.deviceId);
            all.push_back(std::move(device));
        }
    };
    take(acpiDevices(root));
    take(processorDevices(root));
    take(pciDevices(root));
    take(usbDevices(root, true));
    take(hidDevices(root));
    take(inputDevices(root));
    take(blockDevices(root));
    take(soundCodecs(root));
    take(monitors(root));
    return all;
}

std::vector<WmiObject> pnpEntities(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const PnpDevice &device : allPnpDevices(root)) {
        Instance instance = deviceInstance(QStringLiteral("Win32_PnPEntity"), device, system);
        instance.text(QStringLiteral("ClassGuid"), generic::setupClassGuid(device.pnpClass));
        instance.text(QStringLiteral("PNPClass"), device.pnpClass);
        instance.text(QStringLiteral("Manufacturer"), device.manufacturer);
        instance.text(QStringLiteral("Service"), driverInUse(root, device));
        instance.flag(QStringLiteral("Present"), true);
        instance.texts(QStringLiteral("HardwareID"), device.hardwareIds);
        instance.texts(QStringLiteral("CompatibleID"), device.compatibleIds);
        result.push_back(instance.object());
    }
    return result;
}

} // namespace platform::linuxhw
