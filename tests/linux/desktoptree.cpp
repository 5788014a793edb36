#include "tests/linux/desktoptree.h"

#include "inventory/catalogue.h"
#include "tests/support/testsupport.h"

#include <QHash>

void buildDesktop(FakeTree &tree)
{
    const QString proc = testsupport::sharedPath(QStringLiteral("inventory-data/proc-firecracker/"));
    for (const char *file : {"cpuinfo", "interrupts", "ioports", "iomem", "meminfo"})
        tree.copy(proc + QLatin1String(file), QStringLiteral("/proc/") + QLatin1String(file));
    tree.copy(proc + QStringLiteral("os-release"), QStringLiteral("/etc/os-release"));
    tree.attribute(QStringLiteral("/proc/sys/kernel/osrelease"), "6.1.0-18-amd64");

    // PCI
    tree.pciFunction(QStringLiteral("0000:00:00.0"), 0x8086, 0x3e30, 0x060000);
    tree.pciFunction(QStringLiteral("0000:00:02.0"), 0x8086, 0x1912, 0x030000, QStringLiteral("i915"), 0x1043, 0x8694, 6);
    tree.pciFunction(QStringLiteral("0000:01:00.0"), 0x10de, 0x1c03, 0x030000, {}, 0x1462, 0x3285, 0xa1);
    tree.pciFunction(QStringLiteral("0000:03:00.0"), 0x10ec, 0x8168, 0x020000, QStringLiteral("r8169"), 0x1043, 0x8677, 0x15);
    tree.pciFunction(QStringLiteral("0000:00:1f.3"), 0x8086, 0xa170, 0x040300, QStringLiteral("snd_hda_intel"));
    tree.pciFunction(QStringLiteral("0000:00:17.0"), 0x8086, 0xa102, 0x010601, QStringLiteral("ahci"));
    tree.pciFunction(QStringLiteral("0000:00:14.0"), 0x8086, 0xa12f, 0x0c0330, QStringLiteral("xhci_hcd"));
    tree.folder(QStringLiteral("/sys/class/pci_bus/0000:00"));

    // Network
    const QString eth = QStringLiteral("/sys/devices/pci0000:00/0000:03:00.0/net/enp3s0");
    tree.attributes(eth, {{"ifindex", "2"}, {"type", "1"}, {"address", "2c:4d:54:aa:bb:cc"}, {"operstate", "up"}, {"flags", "0x1003"}, {"speed", "1000"}});
    tree.link(eth + QStringLiteral("/device"), QStringLiteral("/sys/devices/pci0000:00/0000:03:00.0"));
    tree.link(QStringLiteral("/sys/class/net/enp3s0"), eth);
    const QString lo = QStringLiteral("/sys/devices/virtual/net/lo");
    tree.attributes(lo, {{"ifindex", "1"}, {"type", "772"}, {"address", "00:00:00:00:00:00"}, {"operstate", "unknown"}, {"flags", "0x9"}});
    tree.link(QStringLiteral("/sys/class/net/lo"), lo);

    // USB: a root hub with a mouse
    const QString hub = QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1");
    tree.attributes(hub, {{"idVendor", "1d6b"}, {"idProduct", "0002"}, {"bcdDevice", "0601"}, {"bDeviceClass", "09"}, {"speed", "480"},
                          {"product", "xHCI Host Controller"}, {"maxchild", "12"}, {"version", " 2.00"}, {"bNumInterfaces", " 1"},
                          {"bNumConfigurations", "1"}, {"bConfigurationValue", "1"}});
    tree.link(hub + QStringLiteral("/subsystem"), QStringLiteral("/sys/bus/usb"));
    tree.link(QStringLiteral("/sys/bus/usb/devices/usb1"), hub);
    const QString mouse = hub + QStringLiteral("/1-1");
    tree.attributes(mouse, {{"idVendor", "046d"}, {"idProduct", "c077"}, {"bcdDevice", "7200"}, {"bDeviceClass", "00"}, {"speed", "1.5"},
                            {"product", "USB Optical Mouse"}, {"manufacturer", "Logitech"}, {"bNumInterfaces", " 1"}, {"version", " 2.00"}});
    tree.link(mouse + QStringLiteral("/subsystem"), QStringLiteral("/sys/bus/usb"));
    tree.link(QStringLiteral("/sys/bus/usb/devices/1-1"), mouse);
    const QString mouseInterface = mouse + QStringLiteral("/1-1:1.0");
    tree.attributes(mouseInterface, {{"bInterfaceClass", "03"}, {"bInterfaceNumber", "00"}});
    tree.link(mouseInterface + QStringLiteral("/subsystem"), QStringLiteral("/sys/bus/usb"));
    tree.link(mouseInterface + QStringLiteral("/driver"), QStringLiteral("/sys/bus/usb/drivers/usbhid"));
    tree.folder(QStringLiteral("/sys/bus/usb/drivers/usbhid"));
    tree.link(QStringLiteral("/sys/bus/usb/devices/1-1:1.0"), mouseInterface);
    // The HID device on the interface: a mouse by its report descriptor.
    const QString mouseHid = mouseInterface + QStringLiteral("/0003:046D:C077.0001");
    tree.write(mouseHid + QStringLiteral("/uevent"), "DRIVER=hid-generic\nHID_ID=0003:0000046D:0000C077\nHID_NAME=Logitech USB Optical Mouse\n");
    tree.write(mouseHid + QStringLiteral("/report_descriptor"),
               QByteArray::fromHex("05010902a1010901a100050919012903150025019503750181029501750581010501093009311581257f750895028106c0c0"));
    tree.link(mouseHid + QStringLiteral("/driver"), QStringLiteral("/sys/bus/hid/drivers/hid-generic"));
    tree.folder(QStringLiteral("/sys/bus/hid/drivers/hid-generic"));
    tree.link(QStringLiteral("/sys/bus/hid/devices/0003:046D:C077.0001"), mouseHid);
    const QString mouseInput = mouseHid + QStringLiteral("/input/input5");
    tree.attributes(mouseInput, {{"name", "Logitech USB Optical Mouse"}, {"id/bustype", "0003"}, {"id/vendor", "046d"}, {"id/product", "c077"},
                                 {"capabilities/ev", "17"}, {"capabilities/key", "70000 0 0 0 0"}, {"capabilities/rel", "903"}});
    tree.link(QStringLiteral("/sys/class/input/input5"), mouseInput);

    // ACPI: PS/2 keyboard port, serial port, a device nobody drives
    auto acpi = [&](const QString &name, const QByteArray &hid, const QString &physical, const QByteArray &uid = {}) {
        const QString folder = QStringLiteral("/sys/devices/LNXSYSTM:00/LNXSYBUS:00/") + name;
        tree.attribute(folder + QStringLiteral("/hid"), hid);
        if (!uid.isEmpty())
            tree.attribute(folder + QStringLiteral("/uid"), uid);
        if (!physical.isEmpty())
            tree.link(folder + QStringLiteral("/physical_node"), physical);
        tree.link(folder + QStringLiteral("/subsystem"), QStringLiteral("/sys/bus/acpi"));
        tree.link(QStringLiteral("/sys/bus/acpi/devices/") + name, folder);
    };
    tree.folder(QStringLiteral("/sys/devices/LNXSYSTM:00"));
    tree.link(QStringLiteral("/sys/bus/acpi/devices/LNXSYSTM:00"), QStringLiteral("/sys/devices/LNXSYSTM:00"));
    tree.folder(QStringLiteral("/sys/devices/pnp0/00:01"));
    tree.link(QStringLiteral("/sys/devices/pnp0/00:01/subsystem"), QStringLiteral("/sys/bus/pnp"));
    acpi(QStringLiteral("PNP0303:00"), "PNP0303", QStringLiteral("/sys/devices/pnp0/00:01"));
    tree.attribute(QStringLiteral("/sys/devices/pnp0/00:00/id"), "PNP0501");
    tree.attribute(QStringLiteral("/sys/devices/pnp0/00:00/resources"), "state = active\nio 0x3f8-0x3ff\nirq 4");
    tree.link(QStringLiteral("/sys/devices/pnp0/00:00/subsystem"), QStringLiteral("/sys/bus/pnp"));
    tree.link(QStringLiteral("/sys/devices/pnp0/00:00/driver"), QStringLiteral("/sys/bus/pnp/drivers/serial"));
    tree.folder(QStringLiteral("/sys/bus/pnp/drivers/serial"));
    tree.link(QStringLiteral("/sys/devices/pnp0/00:00/firmware_node"), QStringLiteral("/sys/devices/LNXSYSTM:00/LNXSYBUS:00/PNP0501:00"));
    tree.link(QStringLiteral("/sys/bus/pnp/devices/00:00"), QStringLiteral("/sys/devices/pnp0/00:00"));
    acpi(QStringLiteral("PNP0501:00"), "PNP0501", QStringLiteral("/sys/devices/pnp0/00:00"), "1");
    acpi(QStringLiteral("INT3F0D:00"), "INT3F0D", {});
    const QString port = QStringLiteral("/sys/devices/pnp0/00:00/00:00:0/00:00:0.0");
    tree.link(port + QStringLiteral("/subsystem"), QStringLiteral("/sys/bus/serial-base"));
    tree.attribute(port + QStringLiteral("/tty/ttyS0/type"), "4");
    tree.attribute(port + QStringLiteral("/tty/ttyS0/uartclk"), "1843200");
    tree.link(port + QStringLiteral("/tty/ttyS0/device"), port);
    tree.link(QStringLiteral("/sys/class/tty/ttyS0"), port + QStringLiteral("/tty/ttyS0"));
    // A UART the kernel probed and did not find.
    const QString missing = QStringLiteral("/sys/devices/platform/serial8250/tty/ttyS1");
    tree.attribute(missing + QStringLiteral("/type"), "0");
    tree.link(missing + QStringLiteral("/device"), QStringLiteral("/sys/devices/platform/serial8250"));
    tree.link(QStringLiteral("/sys/class/tty/ttyS1"), missing);

    // PS/2 keyboard input device
    const QString keyboard = QStringLiteral("/sys/devices/platform/i8042/serio0/input/input0");
    tree.attributes(keyboard, {{"name", "AT Translated Set 2 keyboard"}, {"id/bustype", "0011"}, {"id/vendor", "0001"}, {"id/product", "0001"},
                               {"capabilities/ev", "120013"}, {"capabilities/key", "402000000 3803078f800d001 feffffdfffefffff fffffffffffffffe"}});
    tree.link(QStringLiteral("/sys/class/input/input0"), keyboard);

    // Disk and DVD writer
    auto scsi = [&](const QString &hctl, const QString &blockName, const QByteArray &type, const QByteArray &vendor,
                    const QByteArray &model, const QByteArray &sectors) {
        const QString device = QStringLiteral("/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/") + hctl;
        tree.attributes(device, {{"type", type}, {"vendor", vendor}, {"model", model}, {"rev", "1.00"}});
        tree.link(device + QStringLiteral("/driver"), QStringLiteral("/sys/bus/scsi/drivers/") + (type == "5" ? QStringLiteral("sr") : QStringLiteral("sd")));
        const QString block = device + QStringLiteral("/block/") + blockName;
        tree.attributes(block, {{"size", sectors}, {"removable", type == "5" ? "1" : "0"}, {"queue/logical_block_size", "512"}});
        tree.link(block + QStringLiteral("/device"), device);
        tree.link(QStringLiteral("/sys/class/block/") + blockName, block);
        return block;
    };
    tree.folder(QStringLiteral("/sys/bus/scsi/drivers/sd"));
    tree.folder(QStringLiteral("/sys/bus/scsi/drivers/sr"));
    const QString sda = scsi(QStringLiteral("0:0:0:0"), QStringLiteral("sda"), "0", "ATA     ", "Samsung SSD 860 EVO 500GB", "976773168");
    for (const char *partition : {"sda1", "sda2"}) {
        tree.attribute(sda + QLatin1Char('/') + QLatin1String(partition) + QStringLiteral("/partition"), "1");
        tree.link(QStringLiteral("/sys/class/block/") + QLatin1String(partition), sda + QLatin1Char('/') + QLatin1String(partition));
    }
    scsi(QStringLiteral("1:0:0:0"), QStringLiteral("sr0"), "5", "HL-DT-ST", "DVDRAM GH24NSD1", "0");
    tree.folder(QStringLiteral("/sys/devices/virtual/block/loop0"));
    tree.link(QStringLiteral("/sys/class/block/loop0"), QStringLiteral("/sys/devices/virtual/block/loop0"));

    // HD audio codec on the audio controller
    const QString codec = QStringLiteral("/sys/devices/pci0000:00/0000:00:1f.3/hdaudioC0D0");
    tree.attributes(codec, {{"vendor_id", "0x10ec0887"}, {"subsystem_id", "0x1043872f"}, {"revision_id", "0x100302"}, {"vendor_name", "Realtek"}, {"chip_name", "ALC887-VD"}});
    tree.link(codec + QStringLiteral("/driver"), QStringLiteral("/sys/bus/hdaudio/drivers/snd_hda_codec_realtek"));
    tree.folder(QStringLiteral("/sys/bus/hdaudio/drivers/snd_hda_codec_realtek"));
    tree.link(QStringLiteral("/sys/bus/hdaudio/devices/hdaudioC0D0"), codec);
    const QString card = QStringLiteral("/sys/devices/pci0000:00/0000:00:1f.3/sound/card0");
    tree.link(card + QStringLiteral("/device"), QStringLiteral("/sys/devices/pci0000:00/0000:00:1f.3"));
    tree.link(QStringLiteral("/sys/class/sound/card0"), card);

    // Graphics and the monitor on HDMI
    const QString drm = QStringLiteral("/sys/devices/pci0000:00/0000:00:02.0/drm/card0");
    tree.link(drm + QStringLiteral("/device"), QStringLiteral("/sys/devices/pci0000:00/0000:00:02.0"));
    tree.link(QStringLiteral("/sys/class/drm/card0"), drm);
    tree.attribute(drm + QStringLiteral("/card0-HDMI-A-1/status"), "connected");
    tree.copy(testsupport::sharedPath(QStringLiteral("inventory-data/edid/dell-2408wfp-dp.edid")), drm + QStringLiteral("/card0-HDMI-A-1/edid"));
    tree.link(QStringLiteral("/sys/class/drm/card0-HDMI-A-1"), drm + QStringLiteral("/card0-HDMI-A-1"));
    // A monitor whose EDID came through short.
    tree.attribute(drm + QStringLiteral("/card0-DP-2/status"), "connected");
    tree.write(drm + QStringLiteral("/card0-DP-2/edid"), QByteArray::fromHex("00ffffffffffff0010ac2ba0"));
    tree.link(QStringLiteral("/sys/class/drm/card0-DP-2"), drm + QStringLiteral("/card0-DP-2"));
    tree.attribute(drm + QStringLiteral("/card0-DP-1/status"), "disconnected");
    tree.write(drm + QStringLiteral("/card0-DP-1/edid"), {});
    tree.link(QStringLiteral("/sys/class/drm/card0-DP-1"), drm + QStringLiteral("/card0-DP-1"));

    // Power: a discharging battery, the mains adapter and a mouse's own battery
    const QString battery = QStringLiteral("/sys/class/power_supply/BAT0");
    tree.attributes(battery, {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "80"}, {"energy_now", "40000000"},
                              {"energy_full", "50000000"}, {"energy_full_design", "57000000"}, {"power_now", "10000000"},
                              {"voltage_min_design", "11400000"}, {"technology", "Li-ion"}, {"model_name", "5B10W13930"},
                              {"manufacturer", "SMP"}, {"serial_number", "1234"}});
    acpi(QStringLiteral("PNP0C0A:00"), "PNP0C0A", {}, "1");
    tree.link(battery + QStringLiteral("/device"), QStringLiteral("/sys/devices/LNXSYSTM:00/LNXSYBUS:00/PNP0C0A:00"));
    tree.attributes(QStringLiteral("/sys/class/power_supply/AC"), {{"type", "Mains"}, {"online", "0"}});
    tree.attributes(QStringLiteral("/sys/class/power_supply/hidpp_battery_0"), {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "5"}});

    // Thermal zones and sensors
    tree.attributes(QStringLiteral("/sys/class/thermal/thermal_zone0"), {{"type", "acpitz"}, {"temp", "27800"}, {"trip_point_0_type", "critical"},
                                                                         {"trip_point_0_temp", "105000"}, {"device/path", "\\_TZ_.TZ00"}});
    tree.attributes(QStringLiteral("/sys/class/thermal/thermal_zone1"), {{"type", "x86_pkg_temp"}, {"temp", "51000"}});
    tree.attributes(QStringLiteral("/sys/class/hwmon/hwmon0"), {{"name", "coretemp"}, {"temp1_input", "45000"}, {"temp1_label", "Package id 0"}, {"temp1_crit", "100000"}});
    tree.attributes(QStringLiteral("/sys/class/hwmon/hwmon1"), {{"name", "nct6775"}, {"fan1_input", "1200"}, {"pwm1", "128"}, {"in0_input", "1032"}});
}

QStringList captionMismatches(const std::function<std::vector<platform::WmiObject>(const QString &)> &instancesOf)
{
    QHash<QString, QString> entities;
    for (const platform::WmiObject &entity : instancesOf(QStringLiteral("Win32_PNPEntity")))
        entities.insert(entity.property(u"DeviceID").textValue(), entity.property(u"Caption").toText());
    QStringList problems;
    for (const QString &className : inventory::hardwareClassCatalogue()) {
        if (className == QLatin1String("Win32_PNPEntity"))
            continue;
        for (const platform::WmiObject &instance : instancesOf(className)) {
            if (!instance.hasProperty(u"PNPDeviceID") || instance.property(u"PNPDeviceID").isNull())
                continue;
            const QString id = instance.property(u"PNPDeviceID").textValue();
            if (!entities.contains(id))
                problems << className + QStringLiteral(": no device ") + id;
            // A bus is named "Bus"; its ID names the device that opens it.
            else if (className != QLatin1String("Win32_Bus") && entities.value(id) != instance.property(u"Caption").toText())
                problems << className + QStringLiteral(": \"") + instance.property(u"Caption").toText() + QStringLiteral("\" is \"")
                        + entities.value(id) + QStringLiteral("\" as a device");
        }
    }
    return problems;
}
