// Trees that try to lead the live provider outside its root, to make it wait for ever or to
// make its numbers overflow.
#include "platform/linux/linuxprovider.h"
#include "platform/management/boundedfile.h"
#include "tests/linux/faketree.h"

#include <QElapsedTimer>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using platform::WmiObject;
using platform::WmiValue;

class TestLinuxHostile : public QObject {
    Q_OBJECT

private slots:
    void nothingOutsideTheRootIsRead()
    {
        FakeTree tree;
        // This machine's own files, reached by an absolute link, a link climbing with "..", and
        // a link that loops on itself once it stays inside the root.
        tree.literalLink(QStringLiteral("/proc/cpuinfo"), QStringLiteral("/proc/cpuinfo"));
        tree.literalLink(QStringLiteral("/proc/meminfo"), QStringLiteral("../../../../../../../../../../../../proc/meminfo"));
        tree.literalLink(QStringLiteral("/sys/class/net/eth0"), QStringLiteral("/sys/class/net/lo"));
        tree.literalLink(QStringLiteral("/sys/class/net/eth1"), QStringLiteral("../../../../../../../../../../sys/class/net/lo"));
        tree.literalLink(QStringLiteral("/sys/class/dmi"), QStringLiteral("/sys/class/dmi/../../../sys/class/dmi"));
        // An absolute link names a path of the tree, as it would in a chroot.
        const QString inside = QStringLiteral("/sys/devices/virtual/net/eth2");
        tree.attributes(inside, {{"ifindex", "7"}, {"type", "1"}, {"address", "02:00:00:00:00:07"}});
        tree.literalLink(QStringLiteral("/sys/class/net/eth2"), inside);
        tree.attribute(QStringLiteral("/etc/hostname"), "inside");
        tree.literalLink(QStringLiteral("/proc/sys/kernel/hostname"), QStringLiteral("/../../etc/hostname"));

        QVERIFY(tree.instancesOf(QStringLiteral("Win32_Processor")).empty());
        const WmiObject computer = tree.instancesOf(QStringLiteral("Win32_ComputerSystem")).at(0);
        QCOMPARE(computer.property(u"Caption").textValue(), QStringLiteral("INSIDE"));
        QVERIFY(computer.property(u"TotalPhysicalMemory").isNull());
        QVERIFY(computer.property(u"Manufacturer").isNull());
        const auto adapters = tree.instancesOf(QStringLiteral("Win32_NetworkAdapter"));
        QCOMPARE(adapters.size(), size_t(1));
        QCOMPARE(adapters[0].property(u"MACAddress").textValue(), QStringLiteral("02:00:00:00:00:07"));
    }

    void namedPipesAndDevicesAreNotRead()
    {
        FakeTree tree;
        tree.fifo(QStringLiteral("/sys/class/dmi/id/sys_vendor"));
        tree.fifo(QStringLiteral("/proc/cpuinfo"));
        tree.literalLink(QStringLiteral("/proc/meminfo"), QStringLiteral("/dev/zero"));
        QElapsedTimer timer;
        timer.start();
        const WmiObject computer = tree.instancesOf(QStringLiteral("Win32_ComputerSystem")).at(0);
        QVERIFY(computer.property(u"Manufacturer").isNull());
        QVERIFY(computer.property(u"NumberOfLogicalProcessors").isNull());
        QVERIFY(timer.elapsed() < 10000);
        // On the machine itself a link may well reach a device: it is not read either.
        const int zero = ::open("/dev/zero", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(zero >= 0);
        QVERIFY(!platform::readRegularFile(zero, 1 << 20));
        ::close(zero);
    }

    void absurdNumbersAreNull()
    {
        FakeTree tree;
        tree.write(QStringLiteral("/proc/meminfo"), "MemTotal: -1 kB\nMemAvailable: 99999999999999999999 kB\nSwapTotal: 9223372036854775807 kB\n");
        tree.write(QStringLiteral("/proc/cpuinfo"), "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\n"
                                                     "stepping\t: 7\ncpu MHz\t\t: inf\ncpu cores\t: -3\nflags\t\t: lm\n\n");
        tree.attribute(QStringLiteral("/sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq"), "-1000");
        tree.attribute(QStringLiteral("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"), "9223372036854775807");
        tree.write(QStringLiteral("/proc/stat"), "btime 99999999999999999\n");
        const QString net = QStringLiteral("/sys/devices/virtual/net/eth0");
        tree.attributes(net, {{"ifindex", "2"}, {"type", "1"}, {"speed", "9223372036854775807"}});
        tree.link(QStringLiteral("/sys/class/net/eth0"), net);
        const QString disk = QStringLiteral("/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0");
        tree.attributes(disk, {{"vendor", "ATA"}, {"model", "Huge"}});
        tree.attributes(disk + QStringLiteral("/block/sda"), {{"size", "36028797018963968"}, {"queue/logical_block_size", "0"}});
        tree.link(disk + QStringLiteral("/block/sda/device"), disk);
        tree.link(QStringLiteral("/sys/class/block/sda"), disk + QStringLiteral("/block/sda"));
        const QString battery = QStringLiteral("/sys/class/power_supply/BAT0");
        tree.attributes(battery, {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "250"},
                                  {"charge_full", "9223372036854775807"}, {"charge_now", "9223372036854775807"},
                                  {"charge_full_design", "-5"}, {"voltage_min_design", "9223372036854775807"},
                                  {"current_now", "-9223372036854775808"}});
        const QString zone = QStringLiteral("/sys/class/thermal/thermal_zone0");
        tree.attributes(zone, {{"type", "acpitz"}, {"temp", "9223372036854775807"}});
        const QString hwmon = QStringLiteral("/sys/class/hwmon/hwmon0");
        tree.attributes(hwmon, {{"name", "coretemp"}, {"temp1_input", "9223372036854775807"}, {"temp1_max", "-9223372036854775808"}});

        const WmiObject computer = tree.instancesOf(QStringLiteral("Win32_ComputerSystem")).at(0);
        QVERIFY(computer.property(u"TotalPhysicalMemory").isNull());
        const WmiObject os = tree.instancesOf(QStringLiteral("Win32_OperatingSystem")).at(0);
        QVERIFY(os.property(u"LastBootUpTime").isNull());
        QVERIFY(os.property(u"TotalVisibleMemorySize").isNull());
        QCOMPARE(os.property(u"TotalSwapSpaceSize").textValue(), QStringLiteral("9223372036854775807"));
        const WmiObject processor = tree.instancesOf(QStringLiteral("Win32_Processor")).at(0);
        QVERIFY(processor.property(u"CurrentClockSpeed").isNull());
        QVERIFY(processor.property(u"MaxClockSpeed").isNull());
        QVERIFY(processor.property(u"NumberOfCores").isNull());
        QVERIFY(tree.instancesOf(QStringLiteral("Win32_NetworkAdapter")).at(0).property(u"Speed").isNull());
        const WmiObject drive = tree.instancesOf(QStringLiteral("Win32_DiskDrive")).at(0);
        QVERIFY(drive.property(u"Size").isNull());
        QVERIFY(drive.property(u"TotalSectors").isNull());
        QVERIFY(drive.property(u"BytesPerSector").isNull());
        const WmiObject cell = tree.instancesOf(QStringLiteral("Win32_Battery")).at(0);
        QVERIFY(cell.property(u"EstimatedChargeRemaining").isNull());
        QVERIFY(cell.property(u"DesignCapacity").isNull());
        QVERIFY(cell.property(u"FullChargeCapacity").isNull());
        const platform::BatteryFigures figures = platform::LinuxProvider(tree.options()).batteryFigures();
        QCOMPARE(figures.status, qint16(255));
        QVERIFY_THROWS_EXCEPTION(platform::WmiError, tree.instancesOf(QStringLiteral("MSAcpi_ThermalZoneTemperature"), QStringLiteral("root\\wmi")));
        const WmiObject probe = tree.instancesOf(QStringLiteral("Win32_TemperatureProbe")).at(0);
        QVERIFY(probe.property(u"CurrentReading").isNull());
        QVERIFY(probe.property(u"UpperThresholdNonCritical").isNull());
    }
};

QTEST_GUILESS_MAIN(TestLinuxHostile)
#include "test_linux_hostile.moc"
