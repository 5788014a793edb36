// PCI functions from /sys/bus/pci/devices, and the controller classes built on them.
#include "platform/linux/genericnames.h"
#include "platform/linux/ids.h"
#include "platform/linux/pci.h"
#include "platform/linux/sources.h"

namespace platform::linuxhw {

namespace {

quint32 hexValue(const QString &text, bool *ok)
{
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits = digits.mid(2);
    return digits.toUInt(ok, 16);
}

// Bridges, host bridges and memory controllers work without a function driver on Linux,
// and Windows installs its own system drivers for them: they are never "missing a driver".
bool needsFunctionDriver(quint32 classCode)
{
    const quint32 base = classCode >> 16;
    return !(base == 0x05 || (base == 0x06 && (classCode >> 8) != 0x0607) || base == 0x08);
}

} // namespace

std::optional<PciFunction> readPciFunction(const SysRoot &root, const QString &folder)
{
    const auto uevent = root.uevent(folder);
    PciFunction function;
    function.sysPath = folder;
    bool ok = false;
    const QString id = uevent.value("PCI_ID");
    if (id.size() == 9) {
        function.vendor = quint16(hexValue(id.left(4), &ok));
        function.device = quint16(hexValue(id.mid(5), &ok));
    } else {
        function.vendor = quint16(root.readNumber(folder + QStringLiteral("/vendor")).value_or(0));
        function.device = quint16(root.readNumber(folder + QStringLiteral("/device")).value_or(0));
    }
    if (function.vendor == 0 || function.vendor == 0xffff)
        return std::nullopt;
    const QString subsys = uevent.value("PCI_SUBSYS_ID");
    if (subsys.size() == 9) {
        function.subVendor = quint16(hexValue(subsys.left(4), &ok));
        function.subDevice = quint16(hexValue(subsys.mid(5), &ok));
    } else {
        function.subVendor = quint16(root.readNumber(folder + QStringLiteral("/subsystem_vendor")).value_or(0));
        function.subDevice = quint16(root.readNumber(folder + QStringLiteral("/subsystem_device")).value_or(0));
    }
    const QString classText = uevent.value("PCI_CLASS");
    function.classCode = classText.isEmpty() ? quint32(root.readNumber(folder + QStringLiteral("/class")).value_or(0))
                                             : hexValue(classText, &ok);
    if (auto revision = root.readNumber(folder + QStringLiteral("/revision"))) {
        function.revision = int(*revision & 0xff);
    } else {
        const QByteArray config = root.readBytes(folder + QStringLiteral("/config"), 16);
        function.revision = config.size() > 8 ? quint8(config[8]) : 0;
    }
    function.address = uevent.value("PCI_SLOT_NAME");
    if (function.address.isEmpty())
        function.address = baseName(folder);
    function.driver = uevent.value("DRIVER");
    if (function.driver.isEmpty())
        function.driver = root.linkTarget(folder + QStringLiteral("/driver"));
    return function;
}

PnpDevice describePciFunction(const SysRoot &root, const PciFunction &function)
{
    const QString ven = hex4(function.vendor);
    const QString dev = hex4(function.device);
    const QString subsys = hex4(function.subDevice) + hex4(function.subVendor);
    const QString rev = QStringLiteral("%1").arg(function.revision, 2, 16, QLatin1Char('0')).toUpper();
    const QString cc6 = QStringLiteral("%1").arg(function.classCode, 6, 16, QLatin1Char('0')).toUpper();
    const QString cc4 = cc6.left(4);
    const QString base = QStringLiteral("PCI\\VEN_") + ven + QStringLiteral("&DEV_") + dev;

    PnpDevice device;
    device.sysPath = function.sysPath;
    device.deviceId = base + QStringLiteral("&SUBSYS_") + subsys + QStringLiteral("&REV_") + rev + QLatin1Char('\\')
        + function.address;
    device.hardwareIds = {base + QStringLiteral("&SUBSYS_") + subsys + QStringLiteral("&REV_") + rev,
                          base + QStringLiteral("&SUBSYS_") + subsys, base + QStringLiteral("&REV_") + rev, base,
                          base + QStringLiteral("&CC_") + cc6, base + QStringLiteral("&CC_") + cc4};
    device.compatibleIds = {base + QStringLiteral("&REV_") + rev, base,
                            QStringLiteral("PCI\\VEN_") + ven + QStringLiteral("&CC_") + cc6,
                            QStringLiteral("PCI\\VEN_") + ven + QStringLiteral("&CC_") + cc4,
                            QStringLiteral("PCI\\VEN_") + ven, QStringLiteral("PCI\\CC_") + cc6,
                            QStringLiteral("PCI\\CC_") + cc4};
    const QString idsFile = root.pciIdsPath();
    const QString vendorName = ids::pciVendor(idsFile, function.vendor);
    const QString deviceName = ids::pciDevice(idsFile, function.vendor, function.device);
    device.caption = ids::deviceDisplayName(vendorName, deviceName, (function.classCode >> 16) == 0x03);
    if (device.caption.isEmpty())
        device.caption = generic::pciName(function.classCode);
    device.manufacturer = vendorName;
    device.pnpClass = generic::pciSetupClass(function.classCode);
    device.driver = function.driver;
    // virtio-pci only carries a virtio device; the driver of that device (virtio_net,
    // virtio_blk) is the function's driver, as netkvm or viostor are on Windows.
    if (device.driver == QLatin1String("virtio-pci")) {
        for (const QString &entry : root.entries(function.sysPath))
            if (entry.startsWith(QLatin1String("virtio"))) {
                device.driver = root.linkTarget(function.sysPath + QLatin1Char('/') + entry + QStringLiteral("/driver"));
                break;
            }
    }
    device.needsDriver = needsFunctionDriver(function.classCode);
    return device;
}

std::vector<PciFunction> pciFunctions(const SysRoot &root)
{
    std::vector<PciFunction> functions;
    // Read through the bus links: resolving each link would cost more than reading the function.
    for (const QString &entry : root.entries(QStringLiteral("/sys/bus/pci/devices"))) {
        if (auto function = readPciFunction(root, QStringLiteral("/sys/bus/pci/devices/") + entry))
            functions.push_back(*function);
    }
    return functions;
}

std::vector<PnpDevice> pciDevices(const SysRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const PciFunction &function : pciFunctions(root))
        devices.push_back(describePciFunction(root, function));
    return devices;
}

std::optional<PnpDevice> describePci(const SysRoot &root, const QString &folder)
{
    const auto function = readPciFunction(root, folder);
    if (!function)
        return std::nullopt;
    return describePciFunction(root, *function);
}

namespace {

// Controllers of one kind: the PCI functions whose class matches, with the class's
// protocol code.
std::vector<WmiObject> controllers(const SysRoot &root, const QString &className, int protocol,
                                   const std::function<bool(quint32)> &matches)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const PciFunction &function : pciFunctions(root)) {
        if (!matches(function.classCode))
            continue;
        const PnpDevice device = describePciFunction(root, function);
        Instance instance = deviceInstance(className, device, system);
        instance.text(QStringLiteral("Manufacturer"), device.manufacturer);
        instance.number(QStringLiteral("ProtocolSupported"), protocol);
        instance.flag(QStringLiteral("PowerManagementSupported"), false);
        if (className == QLatin1String("Win32_SCSIController"))
            instance.text(QStringLiteral("DriverName"), device.driver);
        result.push_back(instance.object());
    }
    return result;
}

} // namespace

std::vector<WmiObject> ideControllers(const SysRoot &root)
{
    return controllers(root, QStringLiteral("Win32_IDEController"), 37,
                       [](quint32 c) { return (c >> 8) == 0x0101 || (c >> 8) == 0x0106; });
}

std::vector<WmiObject> scsiControllers(const SysRoot &root)
{
    return controllers(root, QStringLiteral("Win32_SCSIController"), 2, [](quint32 c) {
        const quint32 sub = c >> 8;
        return sub == 0x0100 || sub == 0x0104 || sub == 0x0107 || sub == 0x0108 || sub == 0x0180;
    });
}

std::vector<WmiObject> usbControllers(const SysRoot &root)
{
    return controllers(root, QStringLiteral("Win32_USBController"), 16, [](quint32 c) { return (c >> 8) == 0x0c03; });
}

std::vector<WmiObject> firewireControllers(const SysRoot &root)
{
    return controllers(root, QStringLiteral("Win32_1394Controller"), 14, [](quint32 c) { return (c >> 8) == 0x0c00; });
}

std::vector<WmiObject> pcmciaControllers(const SysRoot &root)
{
    return controllers(root, QStringLiteral("Win32_PCMCIAController"), 15,
                       [](quint32 c) { return (c >> 8) == 0x0605 || (c >> 8) == 0x0607; });
}

std::vector<WmiObject> pciFloppyControllers(const SysRoot &root)
{
    return controllers(root, QStringLiteral("Win32_FloppyController"), 0, [](quint32 c) { return (c >> 8) == 0x0102; });
}

std::vector<WmiObject> buses(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    auto add = [&](const QString &deviceId, int number, int type, const QString &pnpId) {
        Instance instance(QStringLiteral("Win32_Bus"));
        instance.text(QStringLiteral("Caption"), QStringLiteral("Bus"));
        instance.text(QStringLiteral("Description"), QStringLiteral("Bus"));
        instance.text(QStringLiteral("Name"), QStringLiteral("Bus"));
        instance.text(QStringLiteral("DeviceID"), deviceId);
        instance.number(QStringLiteral("BusNum"), number);
        instance.number(QStringLiteral("BusType"), type);
        instance.text(QStringLiteral("PNPDeviceID"), pnpId);
        instance.text(QStringLiteral("Status"), QStringLiteral("OK"));
        ownedByComputer(instance, system);
        result.push_back(instance.object());
    };
    if (root.exists(QStringLiteral("/sys/bus/acpi/devices/LNXSYSTM:00")))
        add(QStringLiteral("ACPIBus_BUS_0"), 0, 0, QStringLiteral("ACPI_HAL\\PNP0C08\\0")); // the ACPI system device
    for (const QString &bus : root.entries(QStringLiteral("/sys/class/pci_bus"))) {
        bool ok = false;
        const int number = bus.mid(bus.indexOf(QLatin1Char(':')) + 1).toInt(&ok, 16);
        if (!ok)
            continue;
        // The bridge that opens the bus, when there is one (bus 0 hangs off the host).
        QString pnpId;
        const QString bridge = root.resolved(QStringLiteral("/sys/class/pci_bus/") + bus + QStringLiteral("/device"));
        if (!bridge.isEmpty() && root.exists(bridge + QStringLiteral("/vendor")))
            if (auto device = describePci(root, bridge))
                pnpId = device->deviceId;
        add(QStringLiteral("PCI_BUS_%1").arg(number), number, 5, pnpId);
    }
    bool isa = false;
    for (const PciFunction &function : pciFunctions(root))
        isa = isa || (function.classCode >> 8) == 0x0601;
    if (isa)
        add(QStringLiteral("PNPISABus_BUS_0"), 0, 14, {});
    return result;
}

std::vector<WmiObject> motherboardDevices(const SysRoot &root)
{
    const std::vector<PciFunction> functions = pciFunctions(root);
    bool isa = false;
    for (const PciFunction &function : functions)
        isa = isa || (function.classCode >> 8) == 0x0601;
    for (const QString &entry : root.entries(QStringLiteral("/sys/bus/acpi/devices")))
        isa = isa || entry.startsWith(QLatin1String("PNP0A05")) || entry.startsWith(QLatin1String("PNP0A06"));
    Instance instance(QStringLiteral("Win32_MotherboardDevice"));
    instance.number(QStringLiteral("Availability"), 3);
    instance.text(QStringLiteral("Caption"), QStringLiteral("Motherboard"));
    instance.text(QStringLiteral("Description"), QStringLiteral("Motherboard"));
    instance.text(QStringLiteral("Name"), QStringLiteral("Motherboard"));
    instance.text(QStringLiteral("DeviceID"), QStringLiteral("Motherboard"));
    instance.text(QStringLiteral("PrimaryBusType"), functions.empty() ? QString() : QStringLiteral("PCI"));
    instance.text(QStringLiteral("SecondaryBusType"), isa ? QStringLiteral("ISA") : QString());
    instance.text(QStringLiteral("Status"), QStringLiteral("OK"));
    ownedByComputer(instance, computerName(root));
    return {instance.object()};
}

} // namespace platform::linuxhw
