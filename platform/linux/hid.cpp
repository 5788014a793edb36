// HID devices (/sys/bus/hid/devices): one device-manager entry per top-level collection of a
// device's report descriptor, named the way Windows names them ("HID Keyboard Device").
#include "platform/linux/hid.h"
#include "platform/linux/sources.h"

namespace platform::linuxhw {

std::vector<HidUsage> hidTopLevelCollections(const QByteArray &descriptor)
{
    std::vector<HidUsage> collections;
    const auto *data = reinterpret_cast<const quint8 *>(descriptor.constData());
    const qsizetype size = descriptor.size();
    quint16 page = 0;
    std::vector<quint16> pushedPages; // Push and Pop keep the global state on a stack
    std::optional<quint32> usage;     // the first usage since the last main item
    int depth = 0;
    for (qsizetype at = 0; at < size && collections.size() < 64;) {
        const quint8 prefix = data[at];
        if (prefix == 0xfe) { // a long item: its size, its tag, its data
            if (at + 2 >= size)
                break;
            at += 3 + data[at + 1];
            continue;
        }
        const int length = (prefix & 3) == 3 ? 4 : prefix & 3;
        if (at + 1 + length > size)
            break;
        quint32 value = 0;
        for (int i = 0; i < length; ++i)
            value |= quint32(data[at + 1 + i]) << (8 * i);
        at += 1 + length;
        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        if (type == 1) { // global
            if (tag == 0x0)
                page = quint16(value);
            else if (tag == 0xa && pushedPages.size() < 64)
                pushedPages.push_back(page);
            else if (tag == 0xb && !pushedPages.empty()) {
                page = pushedPages.back();
                pushedPages.pop_back();
            }
        } else if (type == 2) { // local
            if (tag == 0x0 && !usage)
                usage = length == 4 ? value : quint32(page) << 16 | value; // four bytes name their page
        } else if (type == 0) { // main
            if (tag == 0xa) {
                if (depth == 0)
                    collections.push_back({quint16(usage.value_or(quint32(page) << 16) >> 16), quint16(usage.value_or(0))});
                depth = std::min(depth + 1, 1 << 20);
            } else if (tag == 0xc && depth > 0) {
                --depth;
            }
            usage.reset();
        }
    }
    return collections;
}

namespace {

QString collectionName(HidUsage usage)
{
    if (usage == hidMouse || usage == HidUsage{0x01, 0x01})
        return QStringLiteral("HID-compliant mouse");
    if (usage == hidKeyboard || usage == HidUsage{0x01, 0x07})
        return QStringLiteral("HID Keyboard Device");
    if (usage == HidUsage{0x01, 0x04} || usage == HidUsage{0x01, 0x05})
        return QStringLiteral("HID-compliant game controller");
    if (usage == HidUsage{0x01, 0x80})
        return QStringLiteral("HID-compliant system controller");
    if (usage == HidUsage{0x0c, 0x01})
        return QStringLiteral("HID-compliant consumer control device");
    if (usage == hidTouchPad)
        return QStringLiteral("HID-compliant touch pad");
    if (usage == HidUsage{0x0d, 0x04})
        return QStringLiteral("HID-compliant touch screen");
    if (usage == HidUsage{0x0d, 0x02})
        return QStringLiteral("HID-compliant pen");
    if (usage.page >= 0xff00)
        return QStringLiteral("HID-compliant vendor-defined device");
    return QStringLiteral("HID-compliant device");
}

// The compatible class Windows adds for the system's own kinds of input.
QString systemClassId(HidUsage usage)
{
    if (usage == hidKeyboard || usage == HidUsage{0x01, 0x07})
        return QStringLiteral("HID_DEVICE_SYSTEM_KEYBOARD");
    if (usage == hidMouse || usage == HidUsage{0x01, 0x01})
        return QStringLiteral("HID_DEVICE_SYSTEM_MOUSE");
    if (usage == HidUsage{0x01, 0x04} || usage == HidUsage{0x01, 0x05})
        return QStringLiteral("HID_DEVICE_SYSTEM_GAME");
    if (usage == HidUsage{0x01, 0x80})
        return QStringLiteral("HID_DEVICE_SYSTEM_CONTROL");
    if (usage == HidUsage{0x0c, 0x01})
        return QStringLiteral("HID_DEVICE_SYSTEM_CONSUMER");
    return {};
}

// A HID function: a device of the HID bus, or a USB interface whose input devices a boot
// protocol driver serves without one.
struct HidFunction {
    QString folder;
    int vendor = 0, product = 0;
    int revision = -1;      // the USB device's release, when on USB
    int interfaceNumber = -1; // on a composite USB device
    QString instance;
    QString driver;
    std::vector<HidUsage> collections;
};

std::optional<HidUsage> inputUsage(const SysRoot &root, const QString &inputFolder)
{
    switch (classifyInput(root, inputFolder)) {
    case InputKind::Keyboard: return hidKeyboard;
    case InputKind::Mouse: return hidMouse;
    case InputKind::TouchPad: return hidTouchPad;
    case InputKind::Other: break;
    }
    return std::nullopt;
}

bool isUsbInterface(const SysRoot &root, const QString &folder)
{
    return root.exists(folder + QStringLiteral("/bInterfaceNumber"));
}

std::optional<HidFunction> readHidFunction(const SysRoot &root, const QString &folder)
{
    HidFunction function;
    function.folder = folder;
    const bool usbInterface = isUsbInterface(root, folder);
    const QString interfaceFolder = usbInterface ? folder : parentPath(folder);
    if (usbInterface) {
        const QString device = parentPath(folder);
        bool ok = false, okProduct = false;
        function.vendor = root.readValue(device + QStringLiteral("/idVendor")).toInt(&ok, 16);
        function.product = root.readValue(device + QStringLiteral("/idProduct")).toInt(&okProduct, 16);
        if (!ok || !okProduct)
            return std::nullopt;
    } else {
        // HID_ID=0003:0000046D:0000C077: bus, vendor, product.
        const QStringList id = root.uevent(folder).value("HID_ID").split(QLatin1Char(':'));
        bool ok = false, okProduct = false;
        function.vendor = id.value(1).toInt(&ok, 16);
        function.product = id.value(2).toInt(&okProduct, 16);
        if (id.size() != 3 || !ok || !okProduct)
            return std::nullopt;
    }
    function.driver = root.linkTarget(folder + QStringLiteral("/driver"));
    if (isUsbInterface(root, interfaceFolder)) {
        const QString device = parentPath(interfaceFolder);
        bool ok = false;
        const int revision = root.readValue(device + QStringLiteral("/bcdDevice")).toInt(&ok, 16);
        function.revision = ok ? revision : -1;
        if (root.readValue(device + QStringLiteral("/bNumInterfaces")).toInt() > 1)
            function.interfaceNumber = root.readValue(interfaceFolder + QStringLiteral("/bInterfaceNumber")).toInt(nullptr, 16);
        function.instance = baseName(interfaceFolder);
    } else {
        function.instance = baseName(folder);
    }
    // HID descriptors are 4 KB at most.
    if (!usbInterface)
        function.collections = hidTopLevelCollections(root.readBytes(folder + QStringLiteral("/report_descriptor"), 4096));
    if (function.collections.empty()) {
        // Without a readable descriptor the input devices tell what the function is for.
        for (const QString &input : root.entries(folder + QStringLiteral("/input")))
            if (const auto usage = inputUsage(root, folder + QStringLiteral("/input/") + input))
                function.collections.push_back(*usage);
        if (function.collections.empty())
            function.collections.push_back({});
    }
    return function;
}

PnpDevice describeCollection(const HidFunction &function, size_t index)
{
    const HidUsage usage = function.collections[index];
    const QString ids = QStringLiteral("VID_%1&PID_%2").arg(hex4(function.vendor), hex4(function.product));
    QString functionPart;
    if (function.interfaceNumber >= 0)
        functionPart += QStringLiteral("&MI_%1").arg(function.interfaceNumber, 2, 10, QLatin1Char('0'));
    if (function.collections.size() > 1)
        functionPart += QStringLiteral("&COL%1").arg(index + 1, 2, 10, QLatin1Char('0'));
    const QString base = QStringLiteral("HID\\") + ids + functionPart;
    const QString usagePart = QStringLiteral("UP:%1_U:%2").arg(hex4(usage.page), hex4(usage.usage));

    PnpDevice device;
    device.sysPath = function.folder;
    device.deviceId = base + QLatin1Char('\\') + function.instance;
    if (function.revision >= 0)
        device.hardwareIds << QStringLiteral("HID\\") + ids + QStringLiteral("&REV_") + hex4(function.revision) + functionPart;
    device.hardwareIds << base << QStringLiteral("HID\\VID_%1&").arg(hex4(function.vendor)) + usagePart;
    if (const QString system = systemClassId(usage); !system.isEmpty())
        device.hardwareIds << system;
    device.hardwareIds << QStringLiteral("HID_DEVICE_") + usagePart << QStringLiteral("HID_DEVICE");
    device.caption = collectionName(usage);
    const bool keyboard = device.caption == QLatin1String("HID Keyboard Device");
    const bool pointing = usage == hidMouse || usage == HidUsage{0x01, 0x01} || usage == hidTouchPad;
    device.pnpClass = keyboard ? QStringLiteral("Keyboard") : pointing ? QStringLiteral("Mouse") : QStringLiteral("HIDClass");
    device.manufacturer = keyboard ? QStringLiteral("(Standard keyboards)") : pointing ? QStringLiteral("Microsoft") : QStringLiteral("(Standard system devices)");
    device.driver = function.driver;
    return device;
}

} // namespace

std::vector<PnpDevice> hidDevices(const SysRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const QString &entry : root.entries(QStringLiteral("/sys/bus/hid/devices"))) {
        QString folder = root.resolved(QStringLiteral("/sys/bus/hid/devices/") + entry);
        if (folder.isEmpty())
            folder = QStringLiteral("/sys/bus/hid/devices/") + entry;
        if (const auto function = readHidFunction(root, folder))
            for (size_t i = 0; i < function->collections.size(); ++i)
                devices.push_back(describeCollection(*function, i));
    }
    return devices;
}

std::optional<PnpDevice> hidDeviceOfInput(const SysRoot &root, const QString &inputPath, InputKind kind)
{
    // An input device sits in the "input" folder of the HID device (or USB interface) it serves.
    if (baseName(parentPath(inputPath)) != QLatin1String("input"))
        return std::nullopt;
    const QString owner = parentPath(parentPath(inputPath));
    if (!isUsbInterface(root, owner) && !root.uevent(owner).contains("HID_ID"))
        return std::nullopt;
    const auto function = readHidFunction(root, owner);
    if (!function)
        return std::nullopt;
    const HidUsage wanted = kind == InputKind::Keyboard ? hidKeyboard : kind == InputKind::TouchPad ? hidTouchPad : hidMouse;
    for (size_t i = 0; i < function->collections.size(); ++i)
        if (function->collections[i] == wanted)
            return describeCollection(*function, i);
    return describeCollection(*function, 0);
}

} // namespace platform::linuxhw
