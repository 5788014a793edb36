// The driver report over fake sysfs trees with a module index that depmod builds from module
// files: a bound driver, a module not loaded, missing firmware, a device nothing knows, and a
// kernel without an index.
#include "app/forms.h"
#include "inventory/cli.h"
#include "platform/linux/driverreport.h"
#include "platform/management/orderedjson.h"
#include "tests/linux/faketree.h"
#include "tests/support/testsupport.h"
#include "windows/main/frigscope.h"
#include "windows/main/linuxdriverpanel.h"

#include <QAccessible>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace platform::linuxhw;

namespace {

const char kRelease[] = "6.1.0-test-amd64";
const QString kPackageTables = QStringLiteral("/usr/share/isenkram");

QString tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")});
}

QString modulesFolder()
{
    return QStringLiteral("/lib/modules/") + QLatin1String(kRelease);
}

// A module file as the kernel build makes it, as far as depmod and libkmod read one: an ELF
// object whose .modinfo section holds "key=value" strings.
void addModule(FakeTree &tree, const QString &name, const QStringList &aliases, const QStringList &firmware = {})
{
    QByteArray info;
    for (const QString &alias : aliases)
        info += "alias=" + alias.toLatin1() + '\0';
    for (const QString &file : firmware)
        info += "firmware=" + file.toLatin1() + '\0';
    info += "license=GPL" + QByteArray(1, '\0') + "name=" + name.toLatin1() + '\0';
    const QString source = tree.root() + QStringLiteral("/modinfo.bin");
    tree.write(QStringLiteral("/modinfo.bin"), info);
    const QString target = tree.root() + modulesFolder() + QStringLiteral("/kernel/drivers/") + name + QStringLiteral(".ko");
    QDir().mkpath(QFileInfo(target).path());
    QProcess objcopy;
    objcopy.start(tool("objcopy"), {QStringLiteral("-I"), QStringLiteral("binary"), QStringLiteral("-O"), QStringLiteral("elf64-x86-64"),
                                    QStringLiteral("-B"), QStringLiteral("i386:x86-64"), QStringLiteral("--rename-section"),
                                    QStringLiteral(".data=.modinfo,alloc,load,readonly,data,contents"), source, target});
    QVERIFY(objcopy.waitForFinished());
    QCOMPARE(objcopy.exitCode(), 0);
}

void runDepmod(FakeTree &tree)
{
    QProcess depmod;
    depmod.start(tool("depmod"), {QStringLiteral("-b"), tree.root(), QString::fromLatin1(kRelease)});
    QVERIFY(depmod.waitForFinished());
    QCOMPARE(depmod.exitCode(), 0);
}

QByteArray pciAlias(quint16 vendor, quint16 device, quint32 classCode)
{
    auto hex = [](quint32 value, int digits) { return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0'); };
    return "pci:v" + hex(vendor, 8) + 'd' + hex(device, 8) + "sv00000000sd00000000bc" + hex(classCode >> 16, 2) + "sc"
        + hex((classCode >> 8) & 0xff, 2) + 'i' + hex(classCode & 0xff, 2);
}

// A PCI function with its alias, optionally bound to the driver of a loaded module.
void pciDevice(FakeTree &tree, const QString &address, quint16 vendor, quint16 device, quint32 classCode, const QString &driver = {})
{
    tree.pciFunction(address, vendor, device, classCode, driver);
    tree.attribute(QStringLiteral("/sys/devices/pci0000:00/") + address + QStringLiteral("/modalias"), pciAlias(vendor, device, classCode));
    if (!driver.isEmpty()) {
        tree.link(QStringLiteral("/sys/bus/pci/drivers/") + driver + QStringLiteral("/module"), QStringLiteral("/sys/module/") + driver);
        tree.attribute(QStringLiteral("/sys/module/") + driver + QStringLiteral("/initstate"), "live");
    }
}

const DriverEntry *entryFor(const DriverReport &report, const QString &address)
{
    for (const DriverEntry &entry : report.devices)
        if (entry.sysPath.endsWith(address))
            return &entry;
    return nullptr;
}

QStringList states(const DriverEntry &entry)
{
    QStringList result;
    for (const ModuleCandidate &module : entry.modules)
        result << module.name + QLatin1Char(':') + module.state;
    return result;
}

// Debian's hardware tables, where this machine has them, copied into the tree.
bool copyPackageTables(FakeTree &tree)
{
    if (!QFileInfo::exists(kPackageTables + QStringLiteral("/modaliases")))
        return false;
    for (const QString &name : QDir(kPackageTables).entryList({QStringLiteral("modaliases"), QStringLiteral("Fw-Contents-*-bookworm-*")}, QDir::Files))
        tree.copy(kPackageTables + QLatin1Char('/') + name, kPackageTables + QLatin1Char('/') + name);
    tree.write(QStringLiteral("/etc/os-release"), "ID=debian\nVERSION_CODENAME=bookworm\n");
    return true;
}

class SaveTo final : public DriverReportFileDialog {
public:
    explicit SaveTo(QString path) : path_(std::move(path)) {}
    QString chooseFile(QWidget *) override { return path_; }

private:
    QString path_;
};

} // namespace

class TestDriverReport : public QObject {
    Q_OBJECT

    FakeTree tree;
    bool packageTables = false;
    DriverReport report;

private slots:
    void initTestCase()
    {
        if (tool("depmod").isEmpty() || tool("objcopy").isEmpty())
            QSKIP("depmod (package kmod) or objcopy (package binutils) is missing: no module index can be built");
        tree.attribute(QStringLiteral("/proc/sys/kernel/osrelease"), kRelease);
        addModule(tree, QStringLiteral("r8169"), {QStringLiteral("pci:v000010ECd00008168sv*sd*bc*sc*i*")},
                  {QStringLiteral("rtl_nic/rtl8168h-2.fw"), QStringLiteral("rtl_nic/rtl8168g-3.fw")});
        addModule(tree, QStringLiteral("tg3"), {QStringLiteral("pci:v000014E4d00001657sv*sd*bc*sc*i*")}, {QStringLiteral("tigon/tg3_tso5.bin")});
        addModule(tree, QStringLiteral("nouveau"), {QStringLiteral("pci:v000010DEd*sv*sd*bc03sc*i*")});
        addModule(tree, QStringLiteral("i915"), {QStringLiteral("pci:v00008086d00001912sv*sd*bc03sc*i*")});
        // A built-in driver: named by the kernel's own lists, no module file.
        tree.write(modulesFolder() + QStringLiteral("/modules.builtin"), "kernel/drivers/ata/ahci.ko\n");
        tree.write(modulesFolder() + QStringLiteral("/modules.builtin.modinfo"),
                   QByteArray("ahci.alias=pci:v*d*sv*sd*bc01sc06i01*\0ahci.license=GPL\0", 55));
        runDepmod(tree);

        pciDevice(tree, QStringLiteral("0000:00:17.0"), 0x8086, 0xa102, 0x010601, QStringLiteral("ahci"));
        pciDevice(tree, QStringLiteral("0000:02:00.0"), 0x10ec, 0x8168, 0x020000, QStringLiteral("r8169"));
        pciDevice(tree, QStringLiteral("0000:03:00.0"), 0x14e4, 0x1657, 0x020000, QStringLiteral("tg3"));
        tree.write(QStringLiteral("/lib/firmware/tigon/tg3_tso5.bin.xz"), "compressed");
        pciDevice(tree, QStringLiteral("0000:01:00.0"), 0x10de, 0x1c03, 0x030000);
        pciDevice(tree, QStringLiteral("0000:00:02.0"), 0x8086, 0x1912, 0x030000);
        tree.write(QStringLiteral("/etc/modprobe.d/no-i915.conf"), "# tried, hangs\nblacklist i915\n");
        pciDevice(tree, QStringLiteral("0000:04:00.0"), 0x1234, 0x5678, 0x078000);
        packageTables = copyPackageTables(tree);
        report = buildDriverReport(tree.options());
    }

    void aBoundDriverIsInUse()
    {
        QVERIFY(report.moduleIndex);
        QCOMPARE(report.moduleDirectory, modulesFolder());
        const DriverEntry *ahci = entryFor(report, QStringLiteral("0000:00:17.0"));
        QVERIFY(ahci);
        QCOMPARE(ahci->status, DriverEntry::Status::InUse);
        QCOMPARE(states(*ahci), QStringList{QStringLiteral("ahci:built in")});
        QCOMPARE(ahci->hardwareId, QStringLiteral("PCI\\VEN_8086&DEV_A102&SUBSYS_00000000&REV_00"));
        // Firmware found compressed counts as installed.
        const DriverEntry *tg3 = entryFor(report, QStringLiteral("0000:03:00.0"));
        QVERIFY(tg3);
        QCOMPARE(tg3->status, DriverEntry::Status::InUse);
        QVERIFY(tg3->modules.at(0).firmware.at(0).present);
        QVERIFY(!tg3->needsAction());
        QCOMPARE(driverSummary(report, *tg3), QStringLiteral("In use: driver tg3."));
    }

    void aModuleThatIsNotLoaded()
    {
        const DriverEntry *nvidia = entryFor(report, QStringLiteral("0000:01:00.0"));
        QVERIFY(nvidia);
        QCOMPARE(nvidia->caption, QStringLiteral("NVIDIA GeForce GTX 1060 6GB"));
        QCOMPARE(nvidia->status, DriverEntry::Status::NotLoaded);
        QCOMPARE(states(*nvidia), QStringList{QStringLiteral("nouveau:not loaded")});
        QVERIFY(driverSummary(report, *nvidia).contains(QStringLiteral("modprobe nouveau")));
        const DriverEntry *intel = entryFor(report, QStringLiteral("0000:00:02.0"));
        QVERIFY(intel);
        QCOMPARE(intel->status, DriverEntry::Status::Blacklisted);
    }

    void firmwareThatIsMissing()
    {
        const DriverEntry *realtek = entryFor(report, QStringLiteral("0000:02:00.0"));
        QVERIFY(realtek);
        QCOMPARE(realtek->status, DriverEntry::Status::MissingFirmware);
        QCOMPARE(realtek->driver, QStringLiteral("r8169"));
        QCOMPARE(realtek->missingFirmware.size(), size_t(2));
        QVERIFY(realtek->needsAction());
        if (!packageTables)
            QSKIP("no Debian package data in /usr/share/isenkram (package isenkram-cli): the package is not named");
        QVERIFY(report.packageData);
        QCOMPARE(realtek->install, QStringList{QStringLiteral("firmware-realtek")});
        QCOMPARE(realtek->missingFirmware[0].providers.at(0).component, QStringLiteral("non-free-firmware"));
        QVERIFY2(driverSummary(report, *realtek).endsWith(QStringLiteral("install firmware-realtek (non-free-firmware).")),
                 qPrintable(driverSummary(report, *realtek)));
    }

    void aDeviceNothingKnows()
    {
        const DriverEntry *unknown = entryFor(report, QStringLiteral("0000:04:00.0"));
        QVERIFY(unknown);
        QCOMPARE(unknown->status, DriverEntry::Status::NothingKnown);
        QVERIFY(unknown->modules.empty());
        QVERIFY(unknown->needsAction());
        // Devices that need action come first.
        bool actionSeen = true;
        for (const DriverEntry &entry : report.devices) {
            QVERIFY2(actionSeen || !entry.needsAction(), qPrintable(entry.caption));
            actionSeen = entry.needsAction();
        }
    }

    void aKernelWithoutModuleIndex()
    {
        FakeTree bare;
        bare.attribute(QStringLiteral("/proc/sys/kernel/osrelease"), "6.18.4-builtin");
        pciDevice(bare, QStringLiteral("0000:01:00.0"), 0x10de, 0x1c03, 0x030000);
        const DriverReport bareReport = buildDriverReport(bare.options());
        QVERIFY(!bareReport.moduleIndex);
        QCOMPARE(bareReport.devices.size(), size_t(1));
        QCOMPARE(bareReport.devices[0].status, DriverEntry::Status::NothingKnown);
        QVERIFY(driverSummary(bareReport, bareReport.devices[0]).contains(QStringLiteral("no module index")));
        QByteArray output, errors;
        QCOMPARE(inventory::runCommandLine({QStringLiteral("driver-searcher"), QStringLiteral("--drivers"), QStringLiteral("--root"), bare.root()},
                                           &output, &errors),
                 std::optional<int>(0));
        QVERIFY2(output.contains("This kernel has no module index (/lib/modules/6.18.4-builtin is missing)"), output.constData());
    }

    void commandLineJson()
    {
        QByteArray output, errors;
        QCOMPARE(inventory::runCommandLine({QStringLiteral("driver-searcher"), QStringLiteral("--drivers"), QStringLiteral("--json"),
                                            QStringLiteral("--root"), tree.root()},
                                           &output, &errors),
                 std::optional<int>(0));
        const platform::JsonNode json = platform::parseJson(output);
        QVERIFY(json.member(QStringLiteral("moduleIndex")) && json.member(QStringLiteral("devices")));
        QCOMPARE(json.member(QStringLiteral("moduleIndex"))->string, modulesFolder());
        const auto &devices = json.member(QStringLiteral("devices"))->items;
        QCOMPARE(devices.size(), report.devices.size());
        QCOMPARE(devices.front().member(QStringLiteral("needsAction"))->boolean, true);
        QCOMPARE(devices.back().member(QStringLiteral("needsAction"))->boolean, false);
    }

    void serviceNamesTheFunctionDriver()
    {
        // A virtio card is bound to the transport; its network function to virtio_net.
        FakeTree virtio;
        virtio.pciFunction(QStringLiteral("0000:00:03.0"), 0x1af4, 0x1041, 0x020000, QStringLiteral("virtio-pci"));
        virtio.attributes(QStringLiteral("/sys/devices/pci0000:00/0000:00:03.0/virtio2"), {{"modalias", "virtio:d00000001v00001AF4"}});
        virtio.link(QStringLiteral("/sys/devices/pci0000:00/0000:00:03.0/virtio2/driver"), QStringLiteral("/sys/bus/virtio/drivers/virtio_net"));
        virtio.folder(QStringLiteral("/sys/bus/virtio/drivers/virtio_net"));
        virtio.link(QStringLiteral("/sys/bus/virtio/devices/virtio2"), QStringLiteral("/sys/devices/pci0000:00/0000:00:03.0/virtio2"));
        virtio.pciFunction(QStringLiteral("0000:00:04.0"), 0x1234, 0x5678, 0x078000);
        QStringList services;
        for (const auto &entity : virtio.instancesOf(QStringLiteral("Win32_PnPEntity")))
            services << entity.property(u"Service").toText() + QLatin1Char('/') + entity.property(u"ConfigManagerErrorCode").toText();
        QCOMPARE(services, (QStringList{QStringLiteral("virtio_net/0"), QStringLiteral("/28")}));
        // The report lists the function under its card's name.
        const DriverReport virtioReport = buildDriverReport(virtio.options());
        const DriverEntry *function = entryFor(virtioReport, QStringLiteral("virtio2"));
        QVERIFY(function);
        QCOMPARE(function->driver, QStringLiteral("virtio_net"));
        QCOMPARE(function->deviceId, QStringLiteral("PCI\\VEN_1AF4&DEV_1041&SUBSYS_00000000&REV_00\\0000:00:03.0"));
    }

    void theWindowShowsWhatLinuxOffers()
    {
        testsupport::TemporaryApplicationFolder folder; // no driver database: the lookup fails
        testsupport::RecordingMessageBoxes boxes;
        const auto options = tree.options();
        qputenv("DRIVERSEARCHER_ROOT", options.root.toLocal8Bit());
        qputenv("DRIVERSEARCHER_PCI_IDS", options.pciIds.toLocal8Bit());
        fRigscope *window = app::Forms::show<fRigscope>();
        const auto nodes = window->trvComputer->findItems(QStringLiteral("NVIDIA GeForce GTX 1060 6GB"), Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY(!nodes.isEmpty());
        window->trvComputer->setCurrentItem(nodes.front());
        window->trvComputer_Click();
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        QCOMPARE(boxes.shown.size(), qsizetype(1)); // whatever the database said
        QLineEdit *answer = window->linuxDrivers->txtLinuxDriver;
        QVERIFY2(answer->text().startsWith(QStringLiteral("Available but not loaded: module nouveau.")), qPrintable(answer->text()));
        QCOMPARE(window->linuxDrivers->lblLinuxDriver->buddy(), answer);
        QCOMPARE(QAccessible::queryAccessibleInterface(answer)->text(QAccessible::Value), answer->text());

        // The whole machine's report, saved as JSON.
        const QString saved = folder.file(QStringLiteral("report.json"));
        SaveTo dialog(saved);
        setDriverReportFileDialog(&dialog);
        QTest::mouseClick(window->linuxDrivers->cmdSaveDriverReport, Qt::LeftButton);
        setDriverReportFileDialog(nullptr);
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(platform::parseJson(file.readAll()).member(QStringLiteral("devices"))->items.size(), report.devices.size());
        app::Forms::unload(window);
        qunsetenv("DRIVERSEARCHER_ROOT");
        qunsetenv("DRIVERSEARCHER_PCI_IDS");
    }

    void aBrokenBuiltInListIsNotTrusted()
    {
        // An empty record in the built-in module information made libkmod write past a buffer.
        FakeTree broken;
        broken.attribute(QStringLiteral("/proc/sys/kernel/osrelease"), kRelease);
        broken.write(modulesFolder() + QStringLiteral("/modules.builtin"), "kernel/drivers/ata/ahci.ko\n");
        broken.write(modulesFolder() + QStringLiteral("/modules.builtin.modinfo"),
                     QByteArray("ahci.alias=pci:v*d*sv*sd*bc01sc06i01*\0ahci.firmware=x.bin\0\0X", 60));
        runDepmod(broken);
        pciDevice(broken, QStringLiteral("0000:00:17.0"), 0x8086, 0xa102, 0x010601, QStringLiteral("ahci"));
        const DriverReport brokenReport = buildDriverReport(broken.options());
        QCOMPARE(brokenReport.devices.size(), size_t(1));
        QCOMPARE(states(brokenReport.devices[0]), QStringList{QStringLiteral("ahci:built in")});
        QVERIFY(brokenReport.devices[0].modules[0].firmware.empty());
    }

    void theInstalledKernelsIndex()
    {
        QString installed;
        for (const QString &release : QDir(QStringLiteral("/lib/modules")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (QFileInfo::exists(QStringLiteral("/lib/modules/") + release + QStringLiteral("/modules.alias.bin")))
                installed = release;
        if (installed.isEmpty())
            QSKIP("no kernel with a module index is installed in /lib/modules (e.g. package linux-image-cloud-amd64)");
        FakeTree machine;
        machine.attribute(QStringLiteral("/proc/sys/kernel/osrelease"), installed.toLatin1());
        QDir().mkpath(machine.root() + QStringLiteral("/lib/modules"));
        QVERIFY(QFile::link(QStringLiteral("/lib/modules/") + installed, machine.root() + QStringLiteral("/lib/modules/") + installed));
        machine.pciFunction(QStringLiteral("0000:00:03.0"), 0x1af4, 0x1041, 0x020000);
        machine.attributes(QStringLiteral("/sys/devices/pci0000:00/0000:00:03.0/virtio2"), {{"modalias", "virtio:d00000001v00001AF4"}});
        machine.link(QStringLiteral("/sys/bus/virtio/devices/virtio2"), QStringLiteral("/sys/devices/pci0000:00/0000:00:03.0/virtio2"));
        const DriverReport machineReport = buildDriverReport(machine.options());
        QVERIFY(machineReport.moduleIndex);
        const DriverEntry *function = entryFor(machineReport, QStringLiteral("virtio2"));
        QVERIFY(function);
        QVERIFY2(states(*function).contains(QStringLiteral("virtio_net:not loaded")) || states(*function).contains(QStringLiteral("virtio_net:built in")),
                 qPrintable(states(*function).join(QLatin1Char(' '))));
    }
};

QTEST_MAIN(TestDriverReport)
#include "test_driver_report.moc"
