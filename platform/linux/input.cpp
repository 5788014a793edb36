// Keyboards and pointing devices from /sys/class/input, classified by their capability bits
// the way udev's input_id does.
#include "platform/linux/sources.h"

namespace platform::linuxhw {

namespace {

// A capability bitmap: hex words, most significant first, each a C long.
class Bits {
public:
    explicit Bits(const QString &text)
    {
        const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (qsizetype i = words.size() - 1; i >= 0; --i)
            words_.push_back(words[i].toULongLong(nullptr, 16));
    }
    bool test(int bit) const
    {
        const size_t word = size_t(bit / 64);
        return word < words_.size() && (words_[word] >> (bit % 64)) & 1;
    }
    quint64 word(size_t index) const { return index < words_.size() ? words_[index] : 0; }

private:
    std::vector<quint64> words_;
};

struct InputDevice {
    QString name;
    QString folder;
    QString sysPath;
    InputKind kind = InputKind::Other;
    int bus = 0;
    int vendor = 0;
    int product = 0;
    int functionKeys = 0;
    int buttons = 0;
};

constexpr int EV_KEY = 1, EV_REL = 2, EV_ABS = 3;
constexpr int BTN_MOUSE = 0x110, BTN_TOOL_FINGER = 0x145, BTN_TOOL_PEN = 0x140;
constexpr int BUS_USB = 0x03, BUS_I8042 = 0x11;

// The capability bitmaps of an input device; recordings may keep only the uevent keys with the
// same data.
struct Capabilities {
    Bits ev, key, rel, abs;
};

Capabilities readCapabilities(const SysRoot &root, const QString &folder, const Uevent &uevent)
{
    auto value = [&](const char *file, const char *key) {
        const QString text = root.readValue(folder + QLatin1String(file));
        return text.isEmpty() ? uevent.value(key) : text;
    };
    return {Bits(value("/capabilities/ev", "EV")), Bits(value("/capabilities/key", "KEY")), Bits(value("/capabilities/rel", "REL")),
            Bits(value("/capabilities/abs", "ABS"))};
}

InputKind kindOf(const Capabilities &bits)
{
    if (bits.ev.test(EV_KEY) && (bits.key.word(0) & 0xfffffffeULL) == 0xfffffffeULL)
        return InputKind::Keyboard;
    if (bits.ev.test(EV_REL) && bits.rel.test(0) && bits.rel.test(1) && bits.key.test(BTN_MOUSE))
        return InputKind::Mouse;
    if (bits.ev.test(EV_ABS) && bits.abs.test(0) && bits.abs.test(1) && bits.key.test(BTN_TOOL_FINGER) && !bits.key.test(BTN_TOOL_PEN))
        return InputKind::TouchPad;
    return InputKind::Other;
}

std::vector<InputDevice> readInputDevices(const SysRoot &root)
{
    std::vector<InputDevice> devices;
    for (const QString &entry : root.entries(QStringLiteral("/sys/class/input"))) {
        if (!entry.startsWith(QLatin1String("input")))
            continue;
        const QString folder = QStringLiteral("/sys/class/input/") + entry;
        // The name and ID files; recordings may keep only the uevent keys with the same data.
        const auto uevent = root.uevent(folder);
        auto value = [&](const QString &file, const char *key) {
            const QString text = root.readValue(folder + file);
            return text.isEmpty() ? uevent.value(key) : text;
        };
        InputDevice device;
        device.name = value(QStringLiteral("/name"), "NAME");
        if (device.name.size() >= 2 && device.name.startsWith(QLatin1Char('"')) && device.name.endsWith(QLatin1Char('"')))
            device.name = device.name.mid(1, device.name.size() - 2);
        device.folder = folder;
        device.sysPath = root.resolved(folder);
        const QStringList product = uevent.value("PRODUCT").split(QLatin1Char('/')); // bus/vendor/product/version
        auto id = [&](const QString &file, int index) {
            const QString text = root.readValue(folder + file);
            return (text.isEmpty() ? product.value(index) : text).toInt(nullptr, 16);
        };
        device.bus = id(QStringLiteral("/id/bustype"), 0);
        device.vendor = id(QStringLiteral("/id/vendor"), 1);
        device.product = id(QStringLiteral("/id/product"), 2);
        const Capabilities bits = readCapabilities(root, folder, uevent);
        const Bits &key = bits.key;
        device.kind = kindOf(bits);
        if (device.kind == InputKind::Other)
            continue;
        for (int bit : {59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 87, 88})
            device.functionKeys += key.test(bit);
        for (int bit = 183; bit <= 194; ++bit)
            device.functionKeys += key.test(bit);
        for (int bit = 0x110; bit <= 0x117; ++bit)
            device.buttons += key.test(bit);
        devices.push_back(device);
    }
    return devices;
}

// A PS/2 device is the board's keyboard or mouse port device, listed with the ACPI devices.
std::optional<PnpDevice> boardPort(const std::vector<PnpDevice> &acpi, InputKind kind)
{
    for (const PnpDevice &device : acpi)
        if ((kind == InputKind::Keyboard && device.pnpClass == QLatin1String("Keyboard"))
            || (kind != InputKind::Keyboard && device.pnpClass == QLatin1String("Mouse")))
            return device;
    return std::nullopt;
}

PnpDevice describeInput(const InputDevice &input)
{
    PnpDevice device;
    device.sysPath = input.sysPath;
    const QString ids = QStringLiteral("VID_%1&PID_%2").arg(hex4(input.vendor), hex4(input.product));
    const bool hid = input.bus == BUS_USB || input.bus == 0x05 || input.bus == 0x18;
    device.deviceId = (hid ? QStringLiteral("HID\\") : QStringLiteral("INPUT\\")) + ids + QLatin1Char('\\') + baseName(input.folder);
    device.hardwareIds = {(hid ? QStringLiteral("HID\\") : QStringLiteral("INPUT\\")) + ids};
    device.caption = input.name;
    if (device.caption.isEmpty())
        device.caption = input.kind == InputKind::Keyboard ? QStringLiteral("HID Keyboard Device") : QStringLiteral("HID-compliant mouse");
    device.pnpClass = input.kind == InputKind::Keyboard ? QStringLiteral("Keyboard") : QStringLiteral("Mouse");
    // The input layer itself drives these devices.
    device.needsDriver = false;
    return device;
}

// The device an input device is listed as: the board port for PS/2, the HID collection it
// belongs to, or an entry of its own.
PnpDevice deviceOf(const SysRoot &root, const InputDevice &input, const std::vector<PnpDevice> &acpi)
{
    if (input.bus == BUS_I8042)
        if (auto port = boardPort(acpi, input.kind))
            return *port;
    if (auto collection = hidDeviceOfInput(root, input.sysPath, input.kind))
        return *collection;
    return describeInput(input);
}

} // namespace

InputKind classifyInput(const SysRoot &root, const QString &folder)
{
    return kindOf(readCapabilities(root, folder, root.uevent(folder)));
}

std::vector<PnpDevice> inputDevices(const SysRoot &root)
{
    std::vector<PnpDevice> devices;
    const std::vector<PnpDevice> acpi = acpiDevices(root);
    for (const InputDevice &input : readInputDevices(root))
        if (input.bus != BUS_I8042 || !boardPort(acpi, input.kind))
            devices.push_back(deviceOf(root, input, acpi));
    return devices;
}

std::vector<WmiObject> keyboards(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    const std::vector<PnpDevice> acpi = acpiDevices(root);
    for (const InputDevice &input : readInputDevices(root)) {
        if (input.kind != InputKind::Keyboard)
            continue;
        Instance instance = deviceInstance(QStringLiteral("Win32_Keyboard"), deviceOf(root, input, acpi), system);
        instance.text(QStringLiteral("Description"), input.name);
        instance.number(QStringLiteral("NumberOfFunctionKeys"), input.functionKeys);
        instance.flag(QStringLiteral("PowerManagementSupported"), false);
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> pointingDevices(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    const std::vector<PnpDevice> acpi = acpiDevices(root);
    for (const InputDevice &input : readInputDevices(root)) {
        if (input.kind != InputKind::Mouse && input.kind != InputKind::TouchPad)
            continue;
        const PnpDevice device = deviceOf(root, input, acpi);
        Instance instance = deviceInstance(QStringLiteral("Win32_PointingDevice"), device, system);
        instance.text(QStringLiteral("Description"), input.name);
        instance.text(QStringLiteral("HardwareType"), input.name);
        instance.text(QStringLiteral("Manufacturer"), device.manufacturer);
        instance.number(QStringLiteral("NumberOfButtons"), input.buttons);
        instance.number(QStringLiteral("PointingType"), input.kind == InputKind::TouchPad ? 7 : 3);
        instance.number(QStringLiteral("DeviceInterface"),
                        input.bus == BUS_USB ? std::optional<qint64>(162)
                                             : input.bus == BUS_I8042 ? std::optional<qint64>(4) : std::nullopt);
        instance.flag(QStringLiteral("PowerManagementSupported"), false);
        result.push_back(instance.object());
    }
    return result;
}

} // namespace platform::linuxhw
