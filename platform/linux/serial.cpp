// Serial and parallel ports (/sys/class/tty, /sys/bus/parport) and the modems behind them.
// Port settings are never read: that would mean opening the port, which can toggle its lines.
#include "platform/linux/sources.h"

namespace platform::linuxhw {

namespace {

struct Port {
    QString name;        // "ttyS0", "parport0"
    QString ownerPath;   // the bus device it belongs to
    QString folder;      // its own sysfs folder
};

bool isBusDevice(const SysRoot &root, const QString &path)
{
    const QString subsystem = root.linkTarget(path + QStringLiteral("/subsystem"));
    return subsystem == QLatin1String("pnp") || subsystem == QLatin1String("pci") || subsystem == QLatin1String("usb")
        || subsystem == QLatin1String("acpi") || subsystem == QLatin1String("platform");
}

QString ownerOf(const SysRoot &root, QString path)
{
    while (path.startsWith(QLatin1String("/sys/devices/")) && !isBusDevice(root, path))
        path = parentPath(path);
    return path.startsWith(QLatin1String("/sys/devices/")) ? path : QString();
}

// Serial ports with hardware behind them: 8250-style ports whose UART was found, and USB ports.
std::vector<Port> serialPorts(const SysRoot &root)
{
    std::vector<Port> ports;
    for (const QString &name : root.entries(QStringLiteral("/sys/class/tty"))) {
        const QString folder = QStringLiteral("/sys/class/tty/") + name;
        const bool uart = name.startsWith(QLatin1String("ttyS"));
        if (!uart && !name.startsWith(QLatin1String("ttyUSB")) && !name.startsWith(QLatin1String("ttyACM")))
            continue;
        if (uart && root.readValue(folder + QStringLiteral("/type")).toInt() == 0)
            continue;
        const QString device = root.resolved(folder + QStringLiteral("/device"));
        if (device.isEmpty())
            continue;
        ports.push_back({name, ownerOf(root, device), folder});
    }
    return ports;
}

std::vector<Port> parallelPorts(const SysRoot &root)
{
    std::vector<Port> ports;
    for (const QString &name : root.entries(QStringLiteral("/sys/bus/parport/devices"))) {
        if (!name.startsWith(QLatin1String("parport")))
            continue;
        const QString folder = root.resolved(QStringLiteral("/sys/bus/parport/devices/") + name);
        ports.push_back({name, folder.isEmpty() ? QString() : ownerOf(root, parentPath(folder)), folder});
    }
    return ports;
}

std::optional<PnpDevice> ownerDevice(const SysRoot &root, const Port &port)
{
    return port.ownerPath.isEmpty() ? std::nullopt : owningDevice(root, port.ownerPath);
}

QString objectPath(const SysRoot &root, const QString &className, const QString &key, QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QStringLiteral("\\\\%1\\root\\cimv2:%2.%3=\"%4\"").arg(computerName(root), className, key, value);
}

// USB communication interfaces of the modem kind (CDC ACM) with their port.
std::vector<std::pair<Port, PnpDevice>> modems(const SysRoot &root)
{
    std::vector<std::pair<Port, PnpDevice>> result;
    for (const Port &port : serialPorts(root)) {
        if (!port.name.startsWith(QLatin1String("ttyACM")))
            continue;
        const QString interface = port.ownerPath;
        if (root.readValue(interface + QStringLiteral("/bInterfaceClass")) != QLatin1String("02")
            || root.readValue(interface + QStringLiteral("/bInterfaceSubClass")) != QLatin1String("02"))
            continue;
        if (auto device = ownerDevice(root, port))
            result.emplace_back(port, *device);
    }
    return result;
}

} // namespace

QString serialPortCaption(const QString &ttyName)
{
    if (ttyName.startsWith(QLatin1String("ttyUSB")))
        return QStringLiteral("USB Serial Port (%1)").arg(ttyName);
    if (ttyName.startsWith(QLatin1String("ttyACM")))
        return QStringLiteral("USB Serial Device (%1)").arg(ttyName);
    return QStringLiteral("Communications Port (%1)").arg(ttyName);
}

QString parallelPortCaption(const QString &portName, bool ecp)
{
    return (ecp ? QStringLiteral("ECP Printer Port (%1)") : QStringLiteral("Printer Port (%1)")).arg(portName);
}

QHash<QString, QString> serialPortsByDevice(const SysRoot &root)
{
    QHash<QString, QString> byDevice;
    for (const Port &port : serialPorts(root))
        if (!port.ownerPath.isEmpty() && !byDevice.contains(port.ownerPath))
            byDevice.insert(port.ownerPath, port.name);
    return byDevice;
}

QHash<QString, QString> parallelPortsByDevice(const SysRoot &root)
{
    QHash<QString, QString> byDevice;
    for (const Port &port : parallelPorts(root))
        if (!port.ownerPath.isEmpty())
            byDevice.insert(port.ownerPath, port.name);
    return byDevice;
}

std::vector<WmiObject> serialPortObjects(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const Port &port : serialPorts(root)) {
        PnpDevice device = ownerDevice(root, port).value_or(PnpDevice{});
        // The port carries the name of the device it belongs to; a port without one (a legacy
        // UART on the platform bus) is named by itself.
        device.caption = serialPortCaption(port.name);
        if (device.deviceId.isEmpty())
            device.needsDriver = false;
        Instance instance = deviceInstance(QStringLiteral("Win32_SerialPort"), device, system);
        instance.text(QStringLiteral("DeviceID"), port.name);
        instance.text(QStringLiteral("ProviderType"), QStringLiteral("RS232 Serial Port"));
        instance.flag(QStringLiteral("OSAutoDiscovered"), true);
        instance.flag(QStringLiteral("PowerManagementSupported"), false);
        instance.number(QStringLiteral("MaxBaudRate"),
                        within(scaled(root.readNumber(port.folder + QStringLiteral("/uartclk")), 1, 16), 1, UINT32_MAX));
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> serialPortConfigurations(const SysRoot &root)
{
    std::vector<WmiObject> result;
    for (const Port &port : serialPorts(root))
        result.push_back(settingInstance(QStringLiteral("Win32_SerialPortConfiguration"), port.name)
                             .text(QStringLiteral("Name"), port.name)
                             .object());
    return result;
}

std::vector<WmiObject> parallelPortObjects(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const Port &port : parallelPorts(root)) {
        PnpDevice device = ownerDevice(root, port).value_or(PnpDevice{});
        if (device.caption.isEmpty())
            device.caption = parallelPortCaption(port.name, false);
        if (device.deviceId.isEmpty())
            device.needsDriver = false;
        Instance instance = deviceInstance(QStringLiteral("Win32_ParallelPort"), device, system);
        instance.text(QStringLiteral("DeviceID"), port.name);
        instance.flag(QStringLiteral("OSAutoDiscovered"), true);
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> potsModems(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    int index = 0;
    for (const auto &[port, device] : modems(root)) {
        Instance instance = deviceInstance(QStringLiteral("Win32_POTSModem"), device, system);
        instance.text(QStringLiteral("AttachedTo"), port.name);
        instance.text(QStringLiteral("ProviderName"), device.manufacturer);
        instance.text(QStringLiteral("Model"), device.caption);
        instance.text(QStringLiteral("DeviceType"), QStringLiteral("External Modem"));
        instance.number(QStringLiteral("Index"), index++);
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> potsModemPorts(const SysRoot &root)
{
    std::vector<WmiObject> result;
    for (const auto &[port, device] : modems(root)) {
        Instance instance(QStringLiteral("Win32_POTSModemToSerialPort"));
        instance.text(QStringLiteral("Antecedent"), objectPath(root, QStringLiteral("Win32_SerialPort"), QStringLiteral("DeviceID"), port.name));
        instance.text(QStringLiteral("Dependent"), objectPath(root, QStringLiteral("Win32_POTSModem"), QStringLiteral("DeviceID"), device.deviceId));
        result.push_back(instance.object());
    }
    return result;
}

QString managementObjectPath(const SysRoot &root, const QString &className, const QString &key, const QString &value)
{
    return objectPath(root, className, key, value);
}

} // namespace platform::linuxhw
