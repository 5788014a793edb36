// Device trees recorded from real machines: fwupd's hand-made /sys and umockdev recordings,
// read through the live provider.
#include "inventory/catalogue.h"
#include "platform/linux/linuxprovider.h"
#include "tests/linux/faketree.h"
#include "tests/support/testsupport.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

QStringList captionsOf(const std::vector<platform::WmiObject> &instances)
{
    QStringList result;
    for (const auto &instance : instances)
        result << instance.property(u"Caption").toText();
    return result;
}

// A class's instances in the command-line inventory's JSON.
QJsonArray classInstances(const QJsonObject &inventory, const QString &className)
{
    for (const QJsonValue &entry : inventory.value(QStringLiteral("classes")).toArray())
        if (entry.toObject().value(QStringLiteral("class")).toString() == className)
            return entry.toObject().value(QStringLiteral("instances")).toArray();
    return {};
}

QStringList field(const QJsonArray &instances, const char *name)
{
    QStringList result;
    for (const QJsonValue &instance : instances)
        result << instance.toObject().value(QLatin1String(name)).toString();
    return result;
}

} // namespace

class TestLinuxRecordings : public QObject {
    Q_OBJECT

    QJsonObject underRecording(const QString &recording)
    {
        if (!QFileInfo::exists(testsupport::sharedPath(QStringLiteral("inventory-data/umockdev/") + recording)))
            return {};
        const QString runner = QStandardPaths::findExecutable(QStringLiteral("umockdev-run"));
        if (runner.isEmpty())
            return {};
        QTemporaryDir scratch; // umockdev leaves its testbed behind when it fails
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), scratch.path());
        environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("verify_asan_link_order=0:detect_leaks=0"));
        environment.remove(QStringLiteral("DRIVERSEARCHER_ROOT"));
        environment.remove(QStringLiteral("DRIVERSEARCHER_MACHINE"));
        process.setProcessEnvironment(environment);
        process.start(runner, {QStringLiteral("-d"), testsupport::sharedPath(QStringLiteral("inventory-data/umockdev/") + recording),
                               QStringLiteral("--"), QStringLiteral(DS_BUILD_DIR "/driver-searcher"), QStringLiteral("--json")});
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            qWarning() << process.readAllStandardError();
        return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    }

private slots:
    void fwupdTree()
    {
        SKIP_WITHOUT_SHARED_DATA();
        // The shared copy may keep fwupd's symbolic links as links or as files holding the target.
        FakeTree tree;
        const QString source = testsupport::sharedPath(QStringLiteral("inventory-data/sysfs-fwupd/sys"));
        QDirIterator it(source, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString relative = QStringLiteral("/sys/") + QDir(source).relativeFilePath(file);
            const QFileInfo entry = it.fileInfo();
            if (entry.isSymLink()) {
                char target[4096];
                const ssize_t length = ::readlink(QFile::encodeName(file).constData(), target, sizeof target);
                QVERIFY(length > 0 && length < qsizetype(sizeof target));
                tree.literalLink(relative, QFile::decodeName(QByteArray(target, length)));
                continue;
            }
            if (entry.isDir())
                continue;
            QFile in(file);
            QVERIFY(in.open(QIODevice::ReadOnly));
            const QByteArray content = in.readAll();
            if (content.startsWith("../") && !content.trimmed().contains('\n') && content.size() < 512)
                tree.literalLink(relative, QString::fromUtf8(content.trimmed()));
            else
                tree.write(relative, content);
        }
        platform::LinuxProvider::Options options;
        options.root = tree.root(); // the system's ID files
        platform::LinuxProvider provider(options);
        auto of = [&](const char *className) { return provider.instancesOf(QStringLiteral("root\\cimv2"), QString::fromLatin1(className)); };

        // The folder is named 0000_00_14.0: the address comes from the device's uevent.
        const auto controllers = of("Win32_USBController");
        QCOMPARE(controllers.size(), size_t(1));
        QCOMPARE(controllers[0].property(u"PNPDeviceID").textValue(), QStringLiteral("PCI\\VEN_8086&DEV_06ED&SUBSYS_22C217AA&REV_00\\0000:00:14.0"));
        QCOMPARE(controllers[0].property(u"ConfigManagerErrorCode"), platform::WmiValue::integer(0));
        QVERIFY(captionsOf(of("Win32_USBHub")).contains(QStringLiteral("Pixart dual-mode mouse")));
        // An NVMe controller named by itself and a SAS disk whose block folder has no device link.
        QCOMPARE(captionsOf(of("Win32_DiskDrive")), (QStringList{QStringLiteral("THNSN5512GPU7 TOSHIBA"), QStringLiteral("IBM-ESXS ST1000NM0001")}));
        QCOMPARE(of("Win32_DiskDrive")[0].property(u"SerialNumber").textValue(), QStringLiteral("37RS11EATAHT"));
        for (const QString &className : inventory::hardwareClassCatalogue())
            if (className != QLatin1String("Win32_Printer"))
                QVERIFY(schemaViolations(provider.instancesOf(QStringLiteral("root\\cimv2"), className)).isEmpty());
    }

    void firecrackerRecording()
    {
        const QJsonObject inventory = underRecording(QStringLiteral("firecracker-vm.umockdev"));
        SKIP_WITHOUT_SHARED_DATA();
        if (inventory.isEmpty())
            QSKIP("umockdev-run is not installed");
        int pci = 0;
        for (const QString &id : field(classInstances(inventory, QStringLiteral("Win32_PNPEntity")), "DeviceID"))
            pci += id.startsWith(QLatin1String("PCI\\"));
        QCOMPARE(pci, 6);
        const QStringList adapters = field(classInstances(inventory, QStringLiteral("Win32_NetworkAdapter")), "PNPDeviceID");
        QVERIFY(adapters.contains(QStringLiteral("PCI\\VEN_1AF4&DEV_1041&SUBSYS_10411AF4&REV_01\\0000:00:03.0")));
        QCOMPARE(field(classInstances(inventory, QStringLiteral("Win32_DiskDrive")), "Caption"), QStringList{QStringLiteral("Virtio Block Device")});
        QCOMPARE(field(classInstances(inventory, QStringLiteral("Win32_SerialPort")), "Caption"), QStringList{QStringLiteral("Communications Port (ttyS0)")});
    }

    void inputRecordings()
    {
        const QJsonObject keyboard = underRecording(QStringLiteral("usbkbd.umockdev"));
        SKIP_WITHOUT_SHARED_DATA();
        if (keyboard.isEmpty())
            QSKIP("umockdev-run is not installed");
        // Interface 0 of a composite device, named as Windows names a keyboard.
        const QJsonArray keyboards = classInstances(keyboard, QStringLiteral("Win32_Keyboard"));
        QCOMPARE(field(keyboards, "PNPDeviceID"), QStringList{QStringLiteral("HID\\VID_05F3&PID_0007&MI_00\\1-1.5.4.2:1.0")});
        QCOMPARE(field(keyboards, "Caption"), QStringList{QStringLiteral("HID Keyboard Device")});
        QVERIFY(field(classInstances(keyboard, QStringLiteral("Win32_USBHub")), "DeviceID").contains(QStringLiteral("USB\\VID_05F3&PID_0007\\1-1.5.4.2")));
        const QJsonObject touchpad = underRecording(QStringLiteral("synaptics-touchpad.umockdev"));
        const QJsonArray pointing = classInstances(touchpad, QStringLiteral("Win32_PointingDevice"));
        QCOMPARE(field(pointing, "Caption"), QStringList{QStringLiteral("SynPS/2 Synaptics TouchPad")});
        QCOMPARE(pointing[0].toObject().value(QStringLiteral("PointingType")).toInt(), 7);
        const QJsonObject sensors = underRecording(QStringLiteral("hwmon.umockdev"));
        QCOMPARE(classInstances(sensors, QStringLiteral("Win32_TemperatureProbe")).size(), 2);
        QCOMPARE(classInstances(sensors, QStringLiteral("Win32_Battery")).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLinuxRecordings)
#include "test_linux_recordings.moc"
