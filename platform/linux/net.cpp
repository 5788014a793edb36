// Win32_NetworkAdapter from /sys/class/net: every interface, physical or virtual.
#include "platform/linux/sources.h"

namespace platform::linuxhw {

namespace {
QString adapterType(int arpType, bool wireless)
{
    if (wireless)
        return QStringLiteral("Wireless");
    switch (arpType) {
    case 1: return QStringLiteral("Ethernet 802.3");
    case 772: return QStringLiteral("Loopback");
    case 32: return QStringLiteral("InfiniBand");
    default: return {};
    }
}
} // namespace

std::vector<WmiObject> networkAdapters(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const QString &name : root.entries(QStringLiteral("/sys/class/net"))) {
        const QString folder = QStringLiteral("/sys/class/net/") + name;
        const auto ifindex = within(root.readNumber(folder + QStringLiteral("/ifindex")), 1, INT32_MAX);
        if (!ifindex)
            continue;
        const QString hardware = root.resolved(folder + QStringLiteral("/device"));
        const std::optional<PnpDevice> owner = hardware.isEmpty() ? std::nullopt : owningDevice(root, hardware);
        PnpDevice device = owner.value_or(PnpDevice{});
        const int arpType = int(root.readNumber(folder + QStringLiteral("/type")).value_or(0));
        const bool wireless = root.exists(folder + QStringLiteral("/wireless")) || root.exists(folder + QStringLiteral("/phy80211"));
        if (!owner) {
            // A software interface: named by the kernel's interface name, nothing to install.
            device.caption = arpType == 772 ? QStringLiteral("Software Loopback Interface %1").arg(*ifindex) : name;
            device.needsDriver = false;
        }
        Instance instance = deviceInstance(QStringLiteral("Win32_NetworkAdapter"), device, system);
        instance.text(QStringLiteral("DeviceID"), QString::number(*ifindex));
        instance.number(QStringLiteral("Index"), *ifindex);
        instance.number(QStringLiteral("InterfaceIndex"), *ifindex);
        instance.text(QStringLiteral("ProductName"), device.caption);
        instance.text(QStringLiteral("Manufacturer"), device.manufacturer);
        instance.text(QStringLiteral("NetConnectionID"), name);
        instance.text(QStringLiteral("ServiceName"), device.driver);
        const QString type = adapterType(arpType, wireless);
        instance.text(QStringLiteral("AdapterType"), type);
        instance.number(QStringLiteral("AdapterTypeID"),
                        wireless ? std::optional<qint64>(9) : arpType == 1 ? std::optional<qint64>(0) : std::nullopt);
        const QString mac = root.readValue(folder + QStringLiteral("/address")).toUpper();
        instance.text(QStringLiteral("MACAddress"), arpType == 1 || wireless ? mac : QString());
        instance.text(QStringLiteral("PermanentAddress"), arpType == 1 || wireless ? mac : QString());
        const QString operstate = root.readValue(folder + QStringLiteral("/operstate"));
        const bool up = operstate == QLatin1String("up") || (operstate == QLatin1String("unknown") && arpType == 772);
        const bool enabled = (root.readNumber(folder + QStringLiteral("/flags")).value_or(0) & 1) != 0;
        instance.number(QStringLiteral("NetConnectionStatus"), up ? 2 : enabled ? 7 : 0);
        instance.flag(QStringLiteral("NetEnabled"), enabled);
        instance.flag(QStringLiteral("PhysicalAdapter"), owner.has_value());
        instance.flag(QStringLiteral("Installed"), true);
        instance.number(QStringLiteral("MaxNumberControlled"), 0);
        // The speed file reads -1 (or fails) without a link; Mb/s otherwise.
        const auto speed = scaled(within(root.readNumber(folder + QStringLiteral("/speed")), 1, INT64_MAX), 1000000);
        instance.text(QStringLiteral("Speed"), speed ? QString::number(*speed) : QString());
        result.push_back(instance.object());
    }
    return result;
}

} // namespace platform::linuxhw
