// The live provider on a desktop PC written as a fake tree: one check group per source.
#include "inventory/catalogue.h"
#include "platform/linux/sources.h"
#include "tests/linux/desktoptree.h"

#include <QTest>

using platform::WmiObject;
using platform::WmiValue;

namespace {

const WmiObject *withCaption(const std::vector<WmiObject> &instances, const QString &caption)
{
    for (const WmiObject &instance : instances)
        if (instance.hasProperty(u"Caption") && instance.property(u"Caption").toText() == caption)
            return &instance;
    return nullptr;
}

} // namespace

class TestLinuxSources : public QObject {
    Q_OBJECT

    FakeTree tree;
    std::vector<WmiObject> of(const char *className) { return tree.instancesOf(QString::fromLatin1(className)); }

private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_SHARED_DATA();
        buildDesktop(tree);
    }

    void pciDevicesHaveWindowsIdsAndNames()
    {
        const auto entities = of("Win32_PNPEntity");
        // The marketing name of a graphics card; a device missing from the ID file gets the
        // generic Windows name of its class.
        const WmiObject *nvidia = withCaption(entities, QStringLiteral("NVIDIA GeForce GTX 1060 6GB"));
        QVERIFY(nvidia);
        QCOMPARE(nvidia->property(u"DeviceID").textValue(), QStringLiteral("PCI\\VEN_10DE&DEV_1C03&SUBSYS_32851462&REV_A1\\0000:01:00.0"));
        // No driver: the case a driver searcher exists for.
        QCOMPARE(nvidia->property(u"ConfigManagerErrorCode"), WmiValue::integer(28));
        QCOMPARE(nvidia->property(u"Status").textValue(), QStringLiteral("Error"));
        QCOMPARE(nvidia->property(u"PNPClass").textValue(), QStringLiteral("Display"));
        QCOMPARE(nvidia->property(u"ClassGuid").textValue(), QStringLiteral("{4d36e968-e325-11ce-bfc1-08002be10318}"));
        QCOMPARE(nvidia->property(u"Present"), WmiValue::boolean(true));
        const auto &hardwareIds = nvidia->property(u"HardwareID").elements();
        QCOMPARE(hardwareIds.front().textValue(), QStringLiteral("PCI\\VEN_10DE&DEV_1C03&SUBSYS_32851462&REV_A1"));
        QCOMPARE(hardwareIds.back().textValue(), QStringLiteral("PCI\\VEN_10DE&DEV_1C03&CC_0300"));

        const WmiObject *bridge = withCaption(entities, QStringLiteral("PCI standard host CPU bridge"));
        QVERIFY(bridge);
        QCOMPARE(bridge->property(u"ConfigManagerErrorCode"), WmiValue::integer(0)); // bridges need no driver
        const WmiObject *nic = withCaption(entities, QStringLiteral("Realtek Semiconductor Co., Ltd. RTL8111/8168/8411 PCI Express Gigabit Ethernet Controller"));
        QVERIFY(nic);
        QCOMPARE(nic->property(u"Service").textValue(), QStringLiteral("r8169"));
        QVERIFY(withCaption(entities, QStringLiteral("Standard SATA AHCI Controller")));
        QVERIFY(withCaption(entities, QStringLiteral("USB xHCI Compliant Host Controller")));
        QVERIFY(withCaption(entities, QStringLiteral("High Definition Audio Controller")));

        QCOMPARE(captions(of("Win32_VideoController")), (QStringList{QStringLiteral("Intel Corporation HD Graphics 530"), QStringLiteral("NVIDIA GeForce GTX 1060 6GB")}));
        const auto video = of("Win32_VideoController");
        QCOMPARE(video[0].property(u"DeviceID").textValue(), QStringLiteral("VideoController1"));
        QCOMPARE(video[0].property(u"InstalledDisplayDrivers").textValue(), QStringLiteral("i915"));
        QCOMPARE(video[1].property(u"AdapterCompatibility").textValue(), QStringLiteral("NVIDIA"));
        QCOMPARE(captions(of("Win32_IDEController")), QStringList{QStringLiteral("Standard SATA AHCI Controller")});
        QCOMPARE(of("Win32_IDEController")[0].property(u"ProtocolSupported"), WmiValue::integer(37));
        QCOMPARE(captions(of("Win32_USBController")), QStringList{QStringLiteral("USB xHCI Compliant Host Controller")});
        QCOMPARE(captions(of("Win32_DisplayControllerConfiguration")), captions(video));
        QCOMPARE(of("Win32_Bus").size(), size_t(2)); // the ACPI bus and PCI bus 0
        QCOMPARE(of("Win32_MotherboardDevice")[0].property(u"PrimaryBusType").textValue(), QStringLiteral("PCI"));
        QVERIFY(of("Win32_VideoConfiguration").empty());
    }

    // Kernels and recordings whose uevent lacks the IDs: the function's own attributes
    // answer, the revision from the configuration space when there is no attribute for it.
    void pciFunctionWithoutIdsInItsUevent()
    {
        FakeTree bare;
        const QString folder = QStringLiteral("/sys/devices/pci0000:00/0000:00:1f.6");
        bare.attributes(folder, {{"vendor", "0x8086"}, {"device", "0x15bc"}, {"subsystem_vendor", "0x1028"}, {"subsystem_device", "0x0864"}, {"class", "0x020000"}});
        bare.write(folder + QStringLiteral("/config"), QByteArray("\x86\x80\xbc\x15\0\0\0\0\x10", 9));
        bare.write(folder + QStringLiteral("/uevent"), {});
        bare.link(folder + QStringLiteral("/driver"), QStringLiteral("/sys/bus/pci/drivers/e1000e"));
        bare.folder(QStringLiteral("/sys/bus/pci/drivers/e1000e"));
        bare.link(QStringLiteral("/sys/bus/pci/devices/0000:00:1f.6"), folder);
        const auto entities = bare.instancesOf(QStringLiteral("Win32_PNPEntity"));
        QCOMPARE(entities.size(), size_t(1));
        QCOMPARE(entities[0].property(u"DeviceID").textValue(), QStringLiteral("PCI\\VEN_8086&DEV_15BC&SUBSYS_08641028&REV_10\\0000:00:1f.6"));
        QCOMPARE(entities[0].property(u"Service").textValue(), QStringLiteral("e1000e"));
        QCOMPARE(entities[0].property(u"PNPClass").textValue(), QStringLiteral("Net"));
    }

    void networkAdaptersCarryTheirCardsName()
    {
        const auto adapters = of("Win32_NetworkAdapter");
        QCOMPARE(adapters.size(), size_t(2));
        const WmiObject &ethernet = adapters[0];
        QCOMPARE(ethernet.property(u"NetConnectionID").textValue(), QStringLiteral("enp3s0"));
        QCOMPARE(ethernet.property(u"Caption").textValue(), QStringLiteral("Realtek Semiconductor Co., Ltd. RTL8111/8168/8411 PCI Express Gigabit Ethernet Controller"));
        QCOMPARE(ethernet.property(u"PNPDeviceID").textValue(), QStringLiteral("PCI\\VEN_10EC&DEV_8168&SUBSYS_86771043&REV_15\\0000:03:00.0"));
        QCOMPARE(ethernet.property(u"MACAddress").textValue(), QStringLiteral("2C:4D:54:AA:BB:CC"));
        QCOMPARE(ethernet.property(u"Speed"), WmiValue::text(QStringLiteral("1000000000"))); // 64-bit: text
        QCOMPARE(ethernet.property(u"Index"), WmiValue::integer(2));
        QCOMPARE(ethernet.property(u"NetConnectionStatus"), WmiValue::integer(2));
        QCOMPARE(ethernet.property(u"PhysicalAdapter"), WmiValue::boolean(true));
        QCOMPARE(ethernet.property(u"AdapterType").textValue(), QStringLiteral("Ethernet 802.3"));
        const WmiObject &loopback = adapters[1];
        QCOMPARE(loopback.property(u"Caption").textValue(), QStringLiteral("Software Loopback Interface 1"));
        QCOMPARE(loopback.property(u"PhysicalAdapter"), WmiValue::boolean(false));
        QVERIFY(loopback.property(u"MACAddress").isNull());
        QVERIFY(loopback.property(u"PNPDeviceID").isNull());
    }

    void usbAndInputDevices()
    {
        const auto hubs = of("Win32_USBHub");
        QCOMPARE(captions(hubs), (QStringList{QStringLiteral("USB Optical Mouse"), QStringLiteral("USB Root Hub")}));
        QCOMPARE(hubs[0].property(u"DeviceID").textValue(), QStringLiteral("USB\\VID_046D&PID_C077\\1-1"));
        QCOMPARE(hubs[1].property(u"DeviceID").textValue(), QStringLiteral("USB\\ROOT_HUB20\\usb1"));
        QCOMPARE(hubs[1].property(u"NumberOfPorts"), WmiValue::integer(12));
        QCOMPARE(hubs[1].property(u"USBVersion"), WmiValue::integer(0x200));
        QCOMPARE(hubs[0].property(u"ConfigManagerErrorCode"), WmiValue::integer(0)); // its interface is driven
        // The root hub's maker is not the kernel that names itself in its strings.
        const auto entities = of("Win32_PNPEntity");
        const WmiObject *rootHub = withCaption(entities, QStringLiteral("USB Root Hub"));
        QVERIFY(rootHub);
        QCOMPARE(rootHub->property(u"Manufacturer").textValue(), QStringLiteral("(Standard USB Host Controller)"));

        const auto mice = of("Win32_PointingDevice");
        QCOMPARE(mice.size(), size_t(1));
        // The mouse is its HID collection, named as Windows names it; its own name describes it.
        QCOMPARE(mice[0].property(u"Caption").textValue(), QStringLiteral("HID-compliant mouse"));
        QCOMPARE(mice[0].property(u"Description").textValue(), QStringLiteral("Logitech USB Optical Mouse"));
        QCOMPARE(mice[0].property(u"PNPDeviceID").textValue(), QStringLiteral("HID\\VID_046D&PID_C077\\1-1:1.0"));
        QCOMPARE(mice[0].property(u"NumberOfButtons"), WmiValue::integer(3));
        QCOMPARE(mice[0].property(u"PointingType"), WmiValue::integer(3));
        QCOMPARE(mice[0].property(u"DeviceInterface"), WmiValue::integer(162));

        // The PS/2 keyboard is the board's keyboard port device.
        const auto keyboards = of("Win32_Keyboard");
        QCOMPARE(keyboards.size(), size_t(1));
        QCOMPARE(keyboards[0].property(u"Caption").textValue(), QStringLiteral("Standard PS/2 Keyboard"));
        QCOMPARE(keyboards[0].property(u"Description").textValue(), QStringLiteral("AT Translated Set 2 keyboard"));
        QCOMPARE(keyboards[0].property(u"PNPDeviceID").textValue(), QStringLiteral("ACPI\\PNP0303\\0"));
        QVERIFY(keyboards[0].property(u"NumberOfFunctionKeys").integerValue() >= 10);
    }

    void acpiSerialAndUnknownDevices()
    {
        const auto entities = of("Win32_PNPEntity");
        const WmiObject *port = withCaption(entities, QStringLiteral("Communications Port (ttyS0)"));
        QVERIFY(port);
        QCOMPARE(port->property(u"DeviceID").textValue(), QStringLiteral("ACPI\\PNP0501\\1"));
        QCOMPARE(port->property(u"Service").textValue(), QStringLiteral("serial"));
        QCOMPARE(port->property(u"PNPClass").textValue(), QStringLiteral("Ports"));
        const WmiObject *unknown = withCaption(entities, QStringLiteral("Unknown device"));
        QVERIFY(unknown);
        QCOMPARE(unknown->property(u"DeviceID").textValue(), QStringLiteral("ACPI\\INT3F0D\\0"));
        QCOMPARE(unknown->property(u"ConfigManagerErrorCode"), WmiValue::integer(28));

        const auto ports = of("Win32_SerialPort");
        QCOMPARE(ports.size(), size_t(1)); // ttyS1 has no UART behind it
        QCOMPARE(ports[0].property(u"DeviceID").textValue(), QStringLiteral("ttyS0"));
        QCOMPARE(ports[0].property(u"MaxBaudRate"), WmiValue::integer(115200));
        QCOMPARE(ports[0].property(u"PNPDeviceID").textValue(), QStringLiteral("ACPI\\PNP0501\\1"));
        QCOMPARE(ports[0].property(u"OSAutoDiscovered"), WmiValue::boolean(true));
        QCOMPARE(captions(of("Win32_SerialPortConfiguration")), QStringList{QStringLiteral("ttyS0")});
        QVERIFY(of("Win32_ParallelPort").empty());
        QVERIFY(of("Win32_POTSModem").empty());
    }

    void drivesFromBlockDevices()
    {
        const auto disks = of("Win32_DiskDrive");
        QCOMPARE(disks.size(), size_t(1)); // loop devices and partitions are not drives
        const WmiObject &disk = disks[0];
        QCOMPARE(disk.property(u"Caption").textValue(), QStringLiteral("Samsung SSD 860 EVO 500GB"));
        QCOMPARE(disk.property(u"DeviceID").textValue(), QStringLiteral("\\\\.\\PHYSICALDRIVE0"));
        QCOMPARE(disk.property(u"PNPDeviceID").textValue(), QStringLiteral("SCSI\\DISK&VEN_ATA&PROD_SAMSUNG_SSD_860_EVO_500GB&REV_1.00\\0:0:0:0"));
        QCOMPARE(disk.property(u"Size"), WmiValue::text(QStringLiteral("500107862016")));
        QCOMPARE(disk.property(u"Partitions"), WmiValue::integer(2));
        QCOMPARE(disk.property(u"BytesPerSector"), WmiValue::integer(512));
        QCOMPARE(disk.property(u"InterfaceType").textValue(), QStringLiteral("IDE"));
        QCOMPARE(disk.property(u"SCSITargetId"), WmiValue::integer(0));
        QCOMPARE(disk.property(u"Capabilities").kind(), WmiValue::Kind::Array);
        const auto optical = of("Win32_CDROMDrive");
        QCOMPARE(captions(optical), QStringList{QStringLiteral("HL-DT-ST DVDRAM GH24NSD1")});
        QCOMPARE(optical[0].property(u"MediaLoaded"), WmiValue::boolean(false));
        QCOMPARE(optical[0].property(u"Drive").textValue(), QStringLiteral("/dev/sr0"));
        QVERIFY(of("Win32_FloppyDrive").empty());
    }

    void soundMonitorAndPower()
    {
        const auto sound = of("Win32_SoundDevice");
        QCOMPARE(captions(sound), QStringList{QStringLiteral("Realtek ALC887-VD")});
        QCOMPARE(sound[0].property(u"PNPDeviceID").textValue(), QStringLiteral("HDAUDIO\\FUNC_01&VEN_10EC&DEV_0887&SUBSYS_1043872F&REV_1003\\hdaudioC0D0"));
        QCOMPARE(sound[0].property(u"Manufacturer").textValue(), QStringLiteral("Realtek"));

        const auto monitors = of("Win32_DesktopMonitor");
        QCOMPARE(monitors.size(), size_t(2)); // the disconnected DP connector has none
        // A monitor whose EDID is short is still there, as Windows' generic one.
        QCOMPARE(monitors[0].property(u"Caption").textValue(), QStringLiteral("Generic Non-PnP Monitor"));
        QCOMPARE(monitors[0].property(u"PNPDeviceID").textValue(), QStringLiteral("DISPLAY\\Default_Monitor\\card0-DP-2"));
        QVERIFY(monitors[0].property(u"ScreenWidth").isNull());
        QCOMPARE(monitors[1].property(u"Caption").textValue(), QStringLiteral("DELL 2408WFP"));
        QCOMPARE(monitors[1].property(u"PNPDeviceID").textValue(), QStringLiteral("DISPLAY\\DELA02B\\card0-HDMI-A-1"));
        QCOMPARE(monitors[1].property(u"MonitorManufacturer").textValue(), QStringLiteral("Dell Inc."));
        QCOMPARE(monitors[1].property(u"DeviceID").textValue(), QStringLiteral("DesktopMonitor2"));
        // The preferred mode of its EDID.
        QCOMPARE(monitors[1].property(u"ScreenWidth"), WmiValue::integer(1920));
        QCOMPARE(monitors[1].property(u"ScreenHeight"), WmiValue::integer(1200));

        const auto batteries = of("Win32_Battery");
        QCOMPARE(batteries.size(), size_t(1)); // the mouse's battery is not the computer's
        QCOMPARE(batteries[0].property(u"Caption").textValue(), QStringLiteral("Microsoft ACPI-Compliant Control Method Battery"));
        QCOMPARE(batteries[0].property(u"Name").textValue(), QStringLiteral("5B10W13930"));
        QCOMPARE(batteries[0].property(u"EstimatedChargeRemaining"), WmiValue::integer(80));
        QCOMPARE(batteries[0].property(u"BatteryStatus"), WmiValue::integer(1));
        QCOMPARE(batteries[0].property(u"Chemistry"), WmiValue::integer(6));
        QCOMPARE(batteries[0].property(u"DesignVoltage"), WmiValue::text(QStringLiteral("11400")));
        QCOMPARE(batteries[0].property(u"EstimatedRunTime"), WmiValue::integer(240));
        QCOMPARE(batteries[0].property(u"PNPDeviceID").textValue(), QStringLiteral("ACPI\\PNP0C0A\\1"));
        const auto associations = of("Win32_AssociatedBattery");
        QCOMPARE(associations.size(), size_t(1));
        QVERIFY(!associations[0].hasProperty(u"Caption"));
        QVERIFY(associations[0].property(u"Antecedent").textValue().contains(QLatin1String("Win32_Battery.DeviceID=")));

        platform::LinuxProvider provider(tree.options());
        const platform::BatteryFigures figures = provider.batteryFigures();
        QCOMPARE(figures.lifePercent, qint16(80));
        QCOMPARE(figures.status, qint16(1)); // high, not charging
        QCOMPARE(figures.lifeTime, 14400);
        QCOMPARE(figures.fullTime, 18000);
    }

    void thermalZonesAndSensors()
    {
        const auto zones = tree.instancesOf(QStringLiteral("MSAcpi_ThermalZoneTemperature"), QStringLiteral("root\\wmi"));
        QCOMPARE(zones.size(), size_t(1)); // the package sensor is no ACPI zone
        QCOMPARE(zones[0].property(u"CurrentTemperature"), WmiValue::integer(3010)); // 27.8 °C in tenths of kelvin
        QCOMPARE(zones[0].property(u"CriticalTripPoint"), WmiValue::integer(3782));
        QCOMPARE(zones[0].property(u"InstanceName").textValue(), QStringLiteral("ACPI\\ThermalZone\\TZ00_0"));
        const auto temperatures = of("Win32_TemperatureProbe");
        QCOMPARE(temperatures.size(), size_t(1));
        QCOMPARE(temperatures[0].property(u"CurrentReading"), WmiValue::integer(450));
        QCOMPARE(temperatures[0].property(u"UpperThresholdCritical"), WmiValue::integer(1000));
        QCOMPARE(temperatures[0].property(u"Description").textValue(), QStringLiteral("coretemp Package id 0"));
        QCOMPARE(of("Win32_VoltageProbe")[0].property(u"CurrentReading"), WmiValue::integer(1032));
        const auto fans = of("Win32_Fan");
        QCOMPARE(fans.size(), size_t(1));
        QCOMPARE(fans[0].property(u"VariableSpeed"), WmiValue::boolean(true));
        QCOMPARE(fans[0].property(u"ActiveCooling"), WmiValue::boolean(true));
        QVERIFY(of("Win32_CurrentProbe").empty());
    }

    void processorsResourcesAndSystem()
    {
        const auto processors = of("Win32_Processor");
        QCOMPARE(processors.size(), size_t(1)); // one package, two logical processors
        QCOMPARE(processors[0].property(u"Caption").textValue(), QStringLiteral("Intel64 Family 6 Model 207 Stepping 2"));
        QCOMPARE(processors[0].property(u"NumberOfLogicalProcessors"), WmiValue::integer(2));
        QCOMPARE(processors[0].property(u"Architecture"), WmiValue::integer(9));
        QCOMPARE(processors[0].property(u"VMMonitorModeExtensions").kind(), WmiValue::Kind::Boolean);
        int processorDevices = 0;
        for (const WmiObject &entity : of("Win32_PNPEntity"))
            processorDevices += entity.property(u"PNPClass").textValue() == QLatin1String("Processor");
        QCOMPARE(processorDevices, 2);

        const QStringList irqs = captions(of("Win32_IRQResource"));
        QVERIFY(irqs.contains(QStringLiteral("IRQ4"))); // ttyS0's IO-APIC line, not Linux' number 26
        QVERIFY(!irqs.contains(QStringLiteral("IRQ26")));
        const auto ports = of("Win32_PortResource");
        QVERIFY(captions(ports).contains(QStringLiteral("0x03F8-0x03FF")));
        QCOMPARE(withCaption(ports, QStringLiteral("0x03F8-0x03FF"))->property(u"StartingAddress"), WmiValue::text(QStringLiteral("1016")));
        const auto memory = of("Win32_SystemMemoryResource");
        bool portsIncluded = false;
        for (const WmiObject &resource : memory)
            portsIncluded = portsIncluded || resource.className() == QLatin1String("Win32_PortResource");
        QVERIFY(portsIncluded);
        QVERIFY(captions(memory).contains(QStringLiteral("0xF0000-0xFFFFF")));
        QVERIFY(of("Win32_CacheMemory").empty()); // neither SMBIOS nor cpu cache folders here

        const auto system = of("Win32_ComputerSystem");
        QCOMPARE(system[0].property(u"Caption").textValue(), QStringLiteral("DESK"));
        QCOMPARE(system[0].property(u"NumberOfLogicalProcessors"), WmiValue::integer(2));
        QVERIFY(system[0].property(u"TotalPhysicalMemory").textValue().toLongLong() > 0);
        const auto os = of("Win32_OperatingSystem");
        QCOMPARE(os[0].property(u"Caption").textValue(), QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
        QCOMPARE(os[0].property(u"Version").textValue(), QStringLiteral("6.1.0-18-amd64"));
        QCOMPARE(os[0].property(u"OSType"), WmiValue::integer(36));
        QVERIFY(os[0].property(u"CSDVersion").isNull());
    }

    void everyClassKeepsKindsAndCaptions()
    {
        QStringList classes = inventory::hardwareClassCatalogue();
        classes << QStringLiteral("Win32_ComputerSystem") << QStringLiteral("Win32_OperatingSystem");
        for (const QString &className : classes) {
            if (className == QLatin1String("Win32_Printer"))
                continue; // not under the root: see printersComeOnlyFromThisComputer
            const auto instances = tree.instancesOf(className);
            const QStringList violations = schemaViolations(instances);
            QVERIFY2(violations.isEmpty(), qPrintable(violations.join(QLatin1Char('\n'))));
        }
        QVERIFY(schemaViolations(tree.instancesOf(QStringLiteral("MSAcpi_ThermalZoneTemperature"), QStringLiteral("root\\wmi"))).isEmpty());
        const QStringList mismatches = captionMismatches([&](const QString &className) { return tree.instancesOf(className); });
        QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches.join(QLatin1Char('\n'))));
    }

    void emptyMachineAnswersEveryClass()
    {
        FakeTree empty;
        platform::LinuxProvider provider(empty.options());
        for (const QString &className : inventory::hardwareClassCatalogue())
            if (className != QLatin1String("Win32_Printer"))
                QVERIFY2(provider.instancesOf(QStringLiteral("root\\cimv2"), className).empty() || className == QLatin1String("Win32_MotherboardDevice"),
                         qPrintable(className));
        QCOMPARE(provider.batteryFigures().status, qint16(128));
        QCOMPARE(provider.batteryFigures().lifePercent, qint16(255));
        QVERIFY_THROWS_EXCEPTION(platform::WmiError, provider.instancesOf(QStringLiteral("root\\cimv2"), QStringLiteral("Win32_NoSuchThing")));
        QVERIFY_THROWS_EXCEPTION(platform::WmiError, provider.instancesOf(QStringLiteral("root\\nowhere"), QStringLiteral("Win32_Processor")));
    }

    void printersComeOnlyFromThisComputer()
    {
        const QByteArray previous = qgetenv("CUPS_SERVER");
        // A server elsewhere is not asked, and only the printer class says so.
        qputenv("CUPS_SERVER", "printserver.example.com");
        QVERIFY_THROWS_EXCEPTION(platform::WmiError, tree.instancesOf(QStringLiteral("Win32_Printer")));
        QCOMPARE(of("Win32_DiskDrive").size(), size_t(1));
        // No print service on this computer: no printers, and no waiting.
        qputenv("CUPS_SERVER", (tree.root() + QStringLiteral("/no-cups.sock")).toLocal8Bit());
        QVERIFY(tree.instancesOf(QStringLiteral("Win32_Printer")).empty());
        if (previous.isEmpty())
            qunsetenv("CUPS_SERVER");
        else
            qputenv("CUPS_SERVER", previous);
    }
};

QTEST_GUILESS_MAIN(TestLinuxSources)
#include "test_linux_sources.moc"
