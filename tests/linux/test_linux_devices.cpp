// Small hand-made trees, one kind of device each: HID collections, virtio functions, the
// resources an ordinary user sees, a package's caches.
#include "platform/linux/linuxprovider.h"
#include "tests/linux/desktoptree.h"

#include <QHash>
#include <QTest>

#include <algorithm>

using platform::WmiObject;
using platform::WmiValue;

class TestLinuxDevices : public QObject {
    Q_OBJECT

private slots:
    void hidCollectionsAreDevicesOfTheirOwn()
    {
        FakeTree hid;
        // A keyboard on interface 0 of a composite device whose interface 1 reports two
        // collections, and a FIDO key without a product string of its own.
        auto usbDevice = [&](const QString &name, QByteArray product, int interfaces) {
            const QString folder = QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1/") + name;
            hid.attributes(folder, {{"idVendor", product.left(4)}, {"idProduct", product.mid(5)}, {"bcdDevice", "0110"},
                                    {"bNumInterfaces", QByteArray::number(interfaces)}});
            hid.link(QStringLiteral("/sys/bus/usb/devices/") + name, folder);
            return folder;
        };
        auto hidDevice = [&](const QString &interfaceFolder, const QString &name, const QByteArray &id, const QByteArray &descriptor) {
            hid.attribute(interfaceFolder + QStringLiteral("/bInterfaceNumber"), interfaceFolder.endsWith(QLatin1String("1.0")) ? "00" : "01");
            const QString folder = interfaceFolder + QLatin1Char('/') + name;
            hid.write(folder + QStringLiteral("/uevent"), "HID_ID=" + id + '\n');
            hid.write(folder + QStringLiteral("/report_descriptor"), QByteArray::fromHex(descriptor));
            hid.link(folder + QStringLiteral("/driver"), QStringLiteral("/sys/bus/hid/drivers/hid-generic"));
            hid.link(QStringLiteral("/sys/bus/hid/devices/") + name, folder);
            return folder;
        };
        hid.folder(QStringLiteral("/sys/bus/hid/drivers/hid-generic"));
        const QString keyboard = usbDevice(QStringLiteral("1-2"), "05f3:0007", 2);
        const QString keys = hidDevice(keyboard + QStringLiteral("/1-2:1.0"), QStringLiteral("0003:05F3:0007.0001"), "0003:000005F3:00000007",
                                       "05010906a101050719e029e71500250175019508810295017508810105071900296515002565750895068100c0");
        hid.attributes(keys + QStringLiteral("/input/input3"), {{"name", "HID 05f3:0007"}, {"id/bustype", "0003"}, {"id/vendor", "05f3"}, {"id/product", "0007"},
                                                                {"capabilities/ev", "120013"}, {"capabilities/key", "e080ffdf01cfffff fffffffffffffffe"}});
        hid.link(QStringLiteral("/sys/class/input/input3"), keys + QStringLiteral("/input/input3"));
        hidDevice(keyboard + QStringLiteral("/1-2:1.1"), QStringLiteral("0003:05F3:0007.0002"), "0003:000005F3:00000007",
                  "050c0901a1018501150026ff0319002aff037510950181 00c0 05010980a101850219812983150125037502950181 00c0");
        const QString fido = usbDevice(QStringLiteral("1-3"), "1050:0407", 1);
        hidDevice(fido + QStringLiteral("/1-3:1.0"), QStringLiteral("0003:1050:0407.0003"), "0003:00001050:00000407",
                  "06d0f10901a1010920150026ff007508954081020921150026ff00750895409102c0");

        const auto keyboards = hid.instancesOf(QStringLiteral("Win32_Keyboard"));
        QCOMPARE(keyboards.size(), size_t(1));
        QCOMPARE(keyboards[0].property(u"Caption").textValue(), QStringLiteral("HID Keyboard Device"));
        QCOMPARE(keyboards[0].property(u"Description").textValue(), QStringLiteral("HID 05f3:0007"));
        QCOMPARE(keyboards[0].property(u"PNPDeviceID").textValue(), QStringLiteral("HID\\VID_05F3&PID_0007&MI_00\\1-2:1.0"));
        QHash<QString, const WmiObject *> entities;
        const auto all = hid.instancesOf(QStringLiteral("Win32_PNPEntity"));
        for (const WmiObject &entity : all)
            entities.insert(entity.property(u"DeviceID").textValue(), &entity);
        const WmiObject *consumer = entities.value(QStringLiteral("HID\\VID_05F3&PID_0007&MI_01&COL01\\1-2:1.1"));
        const WmiObject *system = entities.value(QStringLiteral("HID\\VID_05F3&PID_0007&MI_01&COL02\\1-2:1.1"));
        const WmiObject *key = entities.value(QStringLiteral("HID\\VID_1050&PID_0407\\1-3:1.0"));
        QVERIFY(consumer && system && key);
        QCOMPARE(consumer->property(u"Caption").textValue(), QStringLiteral("HID-compliant consumer control device"));
        QCOMPARE(system->property(u"Caption").textValue(), QStringLiteral("HID-compliant system controller"));
        QCOMPARE(key->property(u"Caption").textValue(), QStringLiteral("HID-compliant device"));
        QCOMPARE(key->property(u"PNPClass").textValue(), QStringLiteral("HIDClass"));
        QCOMPARE(key->property(u"Service").textValue(), QStringLiteral("hid-generic"));
        const auto &ids = entities.value(QStringLiteral("HID\\VID_05F3&PID_0007&MI_00\\1-2:1.0"))->property(u"HardwareID").elements();
        QCOMPARE(ids[0].textValue(), QStringLiteral("HID\\VID_05F3&PID_0007&REV_0110&MI_00"));
        QVERIFY(std::any_of(ids.cbegin(), ids.cend(), [](const WmiValue &id) { return id.textValue() == QLatin1String("HID_DEVICE_SYSTEM_KEYBOARD"); }));
        const QStringList mismatches = captionMismatches([&](const QString &className) { return hid.instancesOf(className); });
        QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches.join(QLatin1Char('\n'))));
    }

    void virtioFunctionsAreNamedByTheirDevice()
    {
        FakeTree vm;
        // Two virtio block devices and a virtio network card: virtio-pci carries them.
        for (const char *address : {"0000:00:02.0", "0000:00:04.0", "0000:00:03.0"}) {
            const bool net = qstrcmp(address, "0000:00:03.0") == 0;
            vm.pciFunction(QString::fromLatin1(address), 0x1af4, net ? 0x1041 : 0x1042, net ? 0x020000 : 0x018000, QStringLiteral("virtio-pci"), 0x1af4, 0x1100, 1);
            const QString virtio = QStringLiteral("/sys/devices/pci0000:00/%1/virtio%2").arg(QLatin1String(address)).arg(address[9] - '0');
            vm.link(virtio + QStringLiteral("/driver"), net ? QStringLiteral("/sys/bus/virtio/drivers/virtio_net") : QStringLiteral("/sys/bus/virtio/drivers/virtio_blk"));
            if (net) {
                vm.attributes(virtio + QStringLiteral("/net/eth0"), {{"ifindex", "2"}, {"type", "1"}, {"address", "06:00:ac:10:00:02"}});
                vm.link(virtio + QStringLiteral("/net/eth0/device"), virtio);
                vm.link(QStringLiteral("/sys/class/net/eth0"), virtio + QStringLiteral("/net/eth0"));
                continue;
            }
            const QString disk = QStringLiteral("vd%1").arg(QChar(u'a' + (address[9] - '2') / 2));
            vm.attributes(virtio + QStringLiteral("/block/") + disk, {{"size", "2097152"}});
            vm.link(virtio + QStringLiteral("/block/") + disk + QStringLiteral("/device"), virtio);
            vm.link(QStringLiteral("/sys/class/block/") + disk, virtio + QStringLiteral("/block/") + disk);
        }
        QCOMPARE(vm.instancesOf(QStringLiteral("Win32_NetworkAdapter")).at(0).property(u"ServiceName").textValue(), QStringLiteral("virtio_net"));
        const auto controllers = vm.instancesOf(QStringLiteral("Win32_SCSIController"));
        QCOMPARE(controllers.size(), size_t(2));
        QCOMPARE(controllers[0].property(u"DriverName").textValue(), QStringLiteral("virtio_blk"));
        QCOMPARE(controllers[0].property(u"ConfigManagerErrorCode"), WmiValue::integer(0));
        // The disks are the same product: their IDs differ only by where they are.
        QStringList disks;
        for (const WmiObject &entity : vm.instancesOf(QStringLiteral("Win32_PNPEntity")))
            if (entity.property(u"PNPClass").textValue() == QLatin1String("DiskDrive")) {
                disks << entity.property(u"DeviceID").textValue();
                QCOMPARE(entity.property(u"HardwareID").elements().size(), size_t(1));
            }
        QCOMPARE(disks, (QStringList{QStringLiteral("SCSI\\DISK&VEN_VIRTIO&PROD_VIRTIO_BLOCK_DEVICE\\vda"),
                                     QStringLiteral("SCSI\\DISK&VEN_VIRTIO&PROD_VIRTIO_BLOCK_DEVICE\\vdb")}));
    }

    void unprivilegedReadersSeeTheDevicesRanges()
    {
        // What /proc shows to anyone but root: every range zero.
        FakeTree user;
        user.write(QStringLiteral("/proc/iomem"), "00000000-00000000 : System RAM\n00000000-00000000 : PCI Bus 0000:00\n");
        user.write(QStringLiteral("/proc/ioports"), "0000-0000 : PCI Bus 0000:00\n  0000-0000 : serial\n");
        user.pciFunction(QStringLiteral("0000:00:1f.6"), 0x8086, 0x15bc, 0x020000, QStringLiteral("e1000e"));
        user.write(QStringLiteral("/sys/devices/pci0000:00/0000:00:1f.6/resource"),
                   "0x00000000fe000000 0x00000000fe01ffff 0x0000000000040200\n"
                   "0x000000000000f000 0x000000000000f01f 0x0000000000040101\n"
                   "0x0000000000000000 0x0000000000000000 0x0000000000000000\n");
        const auto memory = user.instancesOf(QStringLiteral("Win32_SystemMemoryResource"));
        QStringList captionsSeen = captions(memory);
        QVERIFY2(captionsSeen.contains(QStringLiteral("0xFE000000-0xFE01FFFF")), qPrintable(captionsSeen.join(QLatin1Char(' '))));
        QCOMPARE(captions(user.instancesOf(QStringLiteral("Win32_PortResource"))), QStringList{QStringLiteral("0xF000-0xF01F")});
    }

    void processorCachesAreThePackages()
    {
        FakeTree box;
        box.write(QStringLiteral("/proc/cpuinfo"), "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 207\nphysical id\t: 0\n\n"
                                                    "processor\t: 1\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 207\nphysical id\t: 0\n\n");
        // Each of the two cores has its own 1 MB L2; both share one 32 MB L3.
        for (int cpu = 0; cpu < 2; ++cpu) {
            const QString cache = QStringLiteral("/sys/devices/system/cpu/cpu%1/cache/").arg(cpu);
            box.attributes(cache + QStringLiteral("index2"), {{"level", "2"}, {"type", "Unified"}, {"size", "1024K"}, {"shared_cpu_list", QByteArray::number(cpu)}});
            box.attributes(cache + QStringLiteral("index3"), {{"level", "3"}, {"type", "Unified"}, {"size", "32768K"}, {"shared_cpu_list", "0-1"}});
        }
        const WmiObject processor = box.instancesOf(QStringLiteral("Win32_Processor")).at(0);
        QCOMPARE(processor.property(u"L2CacheSize"), WmiValue::integer(2048));
        QCOMPARE(processor.property(u"L3CacheSize"), WmiValue::integer(32768));
    }
};

QTEST_GUILESS_MAIN(TestLinuxDevices)
#include "test_linux_devices.moc"
