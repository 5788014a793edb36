// USB devices and interfaces from /sys/bus/usb/devices, and Win32_USBHub.
#include "platform/linux/genericnames.h"
#include "platform/linux/ids.h"
#include "platform/linux/sources.h"

namespace platform::linuxhw {

namespace {

bool isInterface(const QString &name)
{
    return name.contains(QLatin1Char(':'));
}

bool isRootHub(const QString &name)
{
    return name.startsWith(QLatin1String("usb"));
}

int hexAttribute(const SysRoot &root, const QString &file, int fallback = -1)
{
    bool ok = false;
    const int value = root.readValue(file).toInt(&ok, 16);
    return ok ? value : fallback;
}

QString usbDeviceName(const SysRoot &root, const QString &folder, quint16 vendor, quint16 product)
{
    const QString own = root.readValue(folder + QStringLiteral("/product"));
    if (!own.isEmpty())
        return own;
    const QString idsFile = root.usbIdsPath();
    return ids::deviceDisplayName(ids::usbVendor(idsFile, vendor), ids::usbProduct(idsFile, vendor, product));
}

// The serial port a USB interface provides, if any ("ttyUSB0", "ttyACM0").
QString ttyOf(const SysRoot &root, const QString &interfaceFolder)
{
    for (const QString &entry : root.entries(interfaceFolder)) {
        if (entry.startsWith(QLatin1String("ttyUSB")))
            return entry;
        if (entry == QLatin1String("tty"))
            for (const QString &tty : root.entries(interfaceFolder + QStringLiteral("/tty")))
                return tty;
    }
    return {};
}

} // namespace

std::optional<PnpDevice> describeUsb(const SysRoot &root, const QString &folder)
{
    const QString name = baseName(folder);
    const bool interface = isInterface(name);
    const QString deviceFolder = interface ? parentPath(folder) : folder;
    const int vendorId = hexAttribute(root, deviceFolder + QStringLiteral("/idVendor"));
    const int productId = hexAttribute(root, deviceFolder + QStringLiteral("/idProduct"));
    if (vendorId < 0 || productId < 0)
        return std::nullopt;
    const int revision = hexAttribute(root, deviceFolder + QStringLiteral("/bcdDevice"), 0);
    const int interfaces = root.readValue(deviceFolder + QStringLiteral("/bNumInterfaces")).toInt();
    const int deviceClass = hexAttribute(root, deviceFolder + QStringLiteral("/bDeviceClass"), 0);
    const QString deviceName = baseName(deviceFolder);
    const QString vid = hex4(vendorId);
    const QString pid = hex4(productId);
    const QString base = QStringLiteral("USB\\VID_") + vid + QStringLiteral("&PID_") + pid;

    PnpDevice device;
    device.sysPath = folder;
    device.manufacturer = root.readValue(deviceFolder + QStringLiteral("/manufacturer"));
    if (device.manufacturer.isEmpty())
        device.manufacturer = ids::usbVendor(root.usbIdsPath(), quint16(vendorId));
    device.pnpClass = QStringLiteral("USB");
    device.driver = root.linkTarget(folder + QStringLiteral("/driver"));

    // The interface that carries the function of a single-function device.
    QString functionFolder = interface ? folder : QString();
    if (!interface && interfaces == 1) {
        for (const QString &entry : root.entries(deviceFolder))
            if (entry.startsWith(deviceName + QLatin1Char(':')))
                functionFolder = deviceFolder + QLatin1Char('/') + entry;
    }
    const int interfaceClass =
        functionFolder.isEmpty() ? -1 : hexAttribute(root, functionFolder + QStringLiteral("/bInterfaceClass"));

    if (interface) {
        const int number = hexAttribute(root, folder + QStringLiteral("/bInterfaceNumber"), 0);
        const QString mi = QStringLiteral("&MI_%1").arg(number, 2, 10, QLatin1Char('0'));
        device.deviceId = base + mi + QLatin1Char('\\') + name;
        device.hardwareIds = {base + QStringLiteral("&REV_") + hex4(revision) + mi, base + mi};
        device.compatibleIds = {QStringLiteral("USB\\Class_%1&SubClass_%2&Prot_%3")
                                    .arg(hex4(interfaceClass).right(2),
                                         hex4(hexAttribute(root, folder + QStringLiteral("/bInterfaceSubClass"), 0)).right(2),
                                         hex4(hexAttribute(root, folder + QStringLiteral("/bInterfaceProtocol"), 0)).right(2))};
        device.caption = root.readValue(folder + QStringLiteral("/interface"));
    } else if (isRootHub(name)) {
        const bool superSpeed = root.readValue(folder + QStringLiteral("/speed")).toInt() >= 5000;
        device.deviceId = (superSpeed ? QStringLiteral("USB\\ROOT_HUB30\\") : QStringLiteral("USB\\ROOT_HUB20\\")) + name;
        device.hardwareIds = {superSpeed ? QStringLiteral("USB\\ROOT_HUB30") : QStringLiteral("USB\\ROOT_HUB20")};
        device.caption = superSpeed ? QStringLiteral("USB Root Hub (USB 3.0)") : QStringLiteral("USB Root Hub");
        // The kernel names itself as the root hub's maker ("Linux 6.1.0-18-amd64 xhci-hcd").
        device.manufacturer = QStringLiteral("(Standard USB Host Controller)");
        device.needsDriver = false;
    } else {
        const QString serial = root.readValue(folder + QStringLiteral("/serial"));
        const bool usableSerial = !serial.isEmpty() && !serial.contains(QLatin1Char('\\')) && serial.size() <= 64;
        device.deviceId = base + QLatin1Char('\\') + (usableSerial ? serial : name);
        device.hardwareIds = {base + QStringLiteral("&REV_") + hex4(revision), base};
        device.caption = usbDeviceName(root, folder, quint16(vendorId), quint16(productId));
        if (interfaces > 1) {
            device.compatibleIds = {QStringLiteral("USB\\COMPOSITE")};
            device.needsDriver = false;
        } else if (!functionFolder.isEmpty()) {
            // A single-function device is driven through its one interface.
            device.driver = root.linkTarget(functionFolder + QStringLiteral("/driver"));
        }
    }

    if (deviceClass == 0x09 && !interface) {
        device.needsDriver = false;
        if (device.caption.isEmpty())
            device.caption = root.readValue(folder + QStringLiteral("/speed")).toInt() >= 5000
                ? QStringLiteral("Generic SuperSpeed USB Hub")
                : QStringLiteral("Generic USB Hub");
    }
    const QString tty = functionFolder.isEmpty() ? QString() : ttyOf(root, functionFolder);
    if (!tty.isEmpty()) {
        device.caption = serialPortCaption(tty);
        device.pnpClass = QStringLiteral("Ports");
    }
    if (device.caption.isEmpty() && interfaces > 1 && !interface)
        device.caption = QStringLiteral("USB Composite Device");
    if (device.caption.isEmpty())
        device.caption = generic::usbInterfaceName(interfaceClass);
    if (device.caption.isEmpty())
        device.caption = QStringLiteral("Unknown USB Device");
    if (interfaceClass == 0x03)
        device.pnpClass = QStringLiteral("HIDClass");
    else if (interfaceClass == 0x01 || interfaceClass == 0x0e)
        device.pnpClass = QStringLiteral("MEDIA");
    return device;
}

std::vector<PnpDevice> usbDevices(const SysRoot &root, bool withInterfaces)
{
    std::vector<PnpDevice> devices;
    for (const QString &entry : root.entries(QStringLiteral("/sys/bus/usb/devices"))) {
        QString folder = root.resolved(QStringLiteral("/sys/bus/usb/devices/") + entry);
        if (folder.isEmpty())
            folder = QStringLiteral("/sys/bus/usb/devices/") + entry;
        if (isInterface(entry)) {
            // Interfaces are device-manager entries of their own only on composite devices.
            if (!withInterfaces || root.readValue(parentPath(folder) + QStringLiteral("/bNumInterfaces")).toInt() <= 1)
                continue;
        }
        if (auto device = describeUsb(root, folder))
            devices.push_back(*device);
    }
    return devices;
}

std::vector<WmiObject> usbHubs(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const PnpDevice &device : usbDevices(root, false)) {
        const QString &folder = device.sysPath;
        Instance instance = deviceInstance(QStringLiteral("Win32_USBHub"), device, system);
        instance.number(QStringLiteral("ClassCode"), hexAttribute(root, folder + QStringLiteral("/bDeviceClass"), 0));
        instance.number(QStringLiteral("SubclassCode"), hexAttribute(root, folder + QStringLiteral("/bDeviceSubClass"), 0));
        instance.number(QStringLiteral("ProtocolCode"), hexAttribute(root, folder + QStringLiteral("/bDeviceProtocol"), 0));
        instance.number(QStringLiteral("NumberOfConfigs"), root.readNumber(folder + QStringLiteral("/bNumConfigurations")));
        instance.number(QStringLiteral("CurrentConfigValue"), root.readNumber(folder + QStringLiteral("/bConfigurationValue")));
        const auto ports = root.readNumber(folder + QStringLiteral("/maxchild"));
        instance.number(QStringLiteral("NumberOfPorts"), ports && *ports > 0 ? ports : std::nullopt);
        // "2.00" → 0x200, the BCD form of the descriptor.
        const QString version = root.readValue(folder + QStringLiteral("/version"));
        if (!version.isEmpty()) {
            const QStringList parts = version.split(QLatin1Char('.'));
            bool ok = false;
            const int major = parts.value(0).toInt(&ok);
            if (ok && major >= 0 && major <= 0xff)
                instance.number(QStringLiteral("USBVersion"), (major << 8) | (parts.value(1).left(2).toInt(nullptr, 16) & 0xff));
        }
        result.push_back(instance.object());
    }
    return result;
}

} // namespace platform::linuxhw
