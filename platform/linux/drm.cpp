// Graphics adapters (PCI display functions, /sys/class/drm) and the monitors on their
// connectors (EDID).
#include "platform/linux/edid.h"
#include "platform/linux/ids.h"
#include "platform/linux/pci.h"
#include "platform/linux/sources.h"

namespace platform::linuxhw {

namespace {

struct Monitor {
    QString connector; // "card0-DP-1"
    std::optional<Edid> edid; // nothing when the monitor gives no valid EDID
    QString cardDriver;
};

std::vector<Monitor> connectedMonitors(const SysRoot &root)
{
    std::vector<Monitor> result;
    for (const QString &entry : root.entries(QStringLiteral("/sys/class/drm"))) {
        if (!entry.startsWith(QLatin1String("card")) || !entry.contains(QLatin1Char('-')))
            continue;
        const QString folder = QStringLiteral("/sys/class/drm/") + entry;
        if (root.readValue(folder + QStringLiteral("/status")) != QLatin1String("connected"))
            continue;
        // A monitor that is there but whose EDID is missing, short or damaged is still a monitor.
        const auto edid = parseEdid(root.readBytes(folder + QStringLiteral("/edid"), 32 * 1024));
        const QString card = entry.left(entry.indexOf(QLatin1Char('-')));
        result.push_back({entry, edid, root.linkTarget(QStringLiteral("/sys/class/drm/") + card + QStringLiteral("/device/driver"))});
    }
    return result;
}

PnpDevice describeMonitor(const SysRoot &root, const Monitor &monitor)
{
    PnpDevice device;
    device.sysPath = root.resolved(QStringLiteral("/sys/class/drm/") + monitor.connector);
    // Without an EDID Windows knows the monitor only as its default one.
    const QString hardwareId = monitor.edid ? monitor.edid->hardwareId() : QStringLiteral("Default_Monitor");
    device.deviceId = QStringLiteral("DISPLAY\\") + hardwareId + QLatin1Char('\\') + monitor.connector;
    device.hardwareIds = {QStringLiteral("MONITOR\\") + hardwareId};
    device.compatibleIds = {QStringLiteral("*PNP09FF")};
    if (!monitor.edid) {
        device.caption = QStringLiteral("Generic Non-PnP Monitor");
        device.manufacturer = QStringLiteral("(Standard monitor types)");
    } else {
        device.caption = monitor.edid->name.isEmpty() ? QStringLiteral("Generic PnP Monitor") : monitor.edid->name;
        device.manufacturer = ids::pnpVendor(root.pnpIdsPath(), monitor.edid->manufacturerId);
        if (device.manufacturer.isEmpty())
            device.manufacturer = monitor.edid->manufacturerId;
    }
    device.pnpClass = QStringLiteral("Monitor");
    device.driver = monitor.cardDriver;
    device.needsDriver = false;
    return device;
}

std::vector<PnpDevice> displayAdapters(const SysRoot &root)
{
    std::vector<PnpDevice> adapters;
    for (const PciFunction &function : pciFunctions(root))
        if ((function.classCode >> 16) == 0x03)
            adapters.push_back(describePciFunction(root, function));
    return adapters;
}

} // namespace

std::vector<PnpDevice> monitors(const SysRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const Monitor &monitor : connectedMonitors(root))
        devices.push_back(describeMonitor(root, monitor));
    return devices;
}

std::vector<WmiObject> desktopMonitors(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    int number = 1;
    for (const Monitor &monitor : connectedMonitors(root)) {
        const PnpDevice device = describeMonitor(root, monitor);
        Instance instance = deviceInstance(QStringLiteral("Win32_DesktopMonitor"), device, system);
        instance.text(QStringLiteral("DeviceID"), QStringLiteral("DesktopMonitor%1").arg(number++));
        instance.text(QStringLiteral("MonitorManufacturer"), device.manufacturer);
        instance.text(QStringLiteral("MonitorType"), device.caption);
        // The monitor's preferred mode, the one it is normally driven at.
        if (monitor.edid && monitor.edid->preferredWidth > 0 && monitor.edid->preferredHeight > 0) {
            instance.number(QStringLiteral("ScreenWidth"), monitor.edid->preferredWidth);
            instance.number(QStringLiteral("ScreenHeight"), monitor.edid->preferredHeight);
        }
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> videoControllers(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    int number = 1;
    for (const PciFunction &function : pciFunctions(root)) {
        if ((function.classCode >> 16) != 0x03)
            continue;
        const PnpDevice device = describePciFunction(root, function);
        Instance instance = deviceInstance(QStringLiteral("Win32_VideoController"), device, system);
        instance.text(QStringLiteral("DeviceID"), QStringLiteral("VideoController%1").arg(number++));
        instance.text(QStringLiteral("AdapterCompatibility"), ids::shortVendorName(device.manufacturer));
        instance.text(QStringLiteral("VideoProcessor"), ids::pciDevice(root.pciIdsPath(), function.vendor, function.device));
        instance.text(QStringLiteral("InstalledDisplayDrivers"), device.driver);
        if (!device.driver.isEmpty())
            instance.text(QStringLiteral("DriverVersion"), root.readValue(QStringLiteral("/sys/module/") + device.driver + QStringLiteral("/version")));
        // Dedicated memory is reported by the drivers that know it (amdgpu).
        if (const auto vram = scaled(root.readNumber(function.sysPath + QStringLiteral("/mem_info_vram_total")), 1))
            instance.number(QStringLiteral("AdapterRAM"), std::min<qint64>(*vram, 0xffffffffLL));
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> displayControllerConfigurations(const SysRoot &root)
{
    std::vector<WmiObject> result;
    for (const PnpDevice &adapter : displayAdapters(root))
        result.push_back(settingInstance(QStringLiteral("Win32_DisplayControllerConfiguration"), adapter.caption)
                             .text(QStringLiteral("Name"), adapter.caption)
                             .object());
    return result;
}

std::vector<WmiObject> displayConfigurations(const SysRoot &root)
{
    std::vector<WmiObject> result;
    for (const PnpDevice &adapter : displayAdapters(root)) {
        Instance instance = settingInstance(QStringLiteral("Win32_DisplayConfiguration"), adapter.caption);
        instance.text(QStringLiteral("DeviceName"), adapter.caption);
        if (!adapter.driver.isEmpty())
            instance.text(QStringLiteral("DriverVersion"), root.readValue(QStringLiteral("/sys/module/") + adapter.driver + QStringLiteral("/version")));
        result.push_back(instance.object());
    }
    return result;
}

} // namespace platform::linuxhw
