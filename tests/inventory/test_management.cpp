// The management-query layer: monikers, queries, property names, the machine-description
// backend and failing classes.
#include "inventory/catalogue.h"
#include "inventory/wmi.h"
#include "tests/linux/faketree.h"
#include "tests/support/testsupport.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using inventory::WmiValue;

namespace {
const QByteArray machine = R"({
  "namespaces": {
    "root\\cimv2": {
      "Win32_OperatingSystem": [ { "Caption": "Microsoft Windows XP Professional", "Version": "5.1.2600", "CSDVersion": null } ],
      "Win32_Processor": [ { "Caption": "x86 Family 6 Model 8 Stepping 3", "MaxClockSpeed": 1000, "LoadPercentage": 2.5,
                             "PowerManagementSupported": false, "PowerManagementCapabilities": [1, 2], "Name": "Pentium III" } ],
      "Win32_Keyboard": [ { "Caption": "Standard | Keyboard" }, { "Caption": null }, { "Name": "no caption at all" }, { "Caption": "" } ],
      "Win32_Fan": { "fails": "Not supported" }
    },
    "root\\wmi": { "MSAcpi_ThermalZoneTemperature": [ { "CurrentTemperature": 3132 } ] }
  },
  "sysinfo": { "BatteryFullTime": 7200, "BatteryLifeTime": -1, "BatteryLifePercent": 85, "BatteryStatus": 1 }
})";
}

class TestManagement : public QObject {
    Q_OBJECT

private slots:
    void monikersChooseTheNamespace()
    {
        testsupport::MachineDescriptionFile file(machine);
        QCOMPARE(inventory::connectManagement(QStringLiteral("winmgmts:")).nameSpace(), QStringLiteral("root\\cimv2"));
        QCOMPARE(inventory::connectManagement(QStringLiteral("winmgmts:\\\\.\\root\\cimv2")).nameSpace(), QStringLiteral("root\\cimv2"));
        QCOMPARE(inventory::connectManagement(QStringLiteral("winmgmts:") + QStringLiteral("\\\\localhost\\root\\wmi")).nameSpace(), QStringLiteral("root\\wmi"));
        QCOMPARE(inventory::connectManagement(QStringLiteral("WINMGMTS:{impersonationLevel=impersonate}!\\\\.\\ROOT\\CIMV2")).nameSpace(), QStringLiteral("root\\cimv2"));
        QVERIFY_THROWS_EXCEPTION(inventory::WmiError, inventory::connectManagement(QStringLiteral("wmi:")));
        QVERIFY_THROWS_EXCEPTION(inventory::WmiError, inventory::connectManagement(QStringLiteral("winmgmts:{impersonationLevel=impersonate")));
        // Another computer is never contacted.
        QVERIFY_THROWS_EXCEPTION(inventory::WmiError, inventory::connectManagement(QStringLiteral("winmgmts:\\\\fileserver\\root\\cimv2")));
        auto wmi = inventory::connectManagement(QStringLiteral("winmgmts:\\\\localhost\\root\\wmi"));
        QCOMPARE(wmi.InstancesOf(QStringLiteral("MSAcpi_ThermalZoneTemperature"))[0].property(u"CurrentTemperature"), WmiValue::integer(3132));
        QVERIFY_THROWS_EXCEPTION(inventory::WmiError, inventory::connectManagement(QStringLiteral("winmgmts:\\\\.\\root\\nowhere")).InstancesOf(QStringLiteral("Win32_Processor")));
    }

    void queriesAndPropertyNames()
    {
        testsupport::MachineDescriptionFile file(machine);
        auto service = inventory::connectManagement(QStringLiteral("winmgmts:\\\\.\\root\\cimv2"));
        const auto systems = service.ExecQuery(QStringLiteral("Select * from Win32_OperatingSystem"));
        QCOMPARE(systems.size(), size_t(1));
        QCOMPARE(service.ExecQuery(QStringLiteral("  select *  FROM win32_operatingsystem ")).size(), size_t(1));
        QVERIFY_THROWS_EXCEPTION(inventory::WmiError, service.ExecQuery(QStringLiteral("Select Name from Win32_OperatingSystem")));
        // Names match without regard to case; the stored spelling is kept.
        QVERIFY(systems[0].property(u"csdversion").isNull());
        QCOMPARE(systems[0].property(u"VERSION").textValue(), QStringLiteral("5.1.2600"));
        QCOMPARE(systems[0].properties()[2].name, QStringLiteral("CSDVersion"));
        QVERIFY_THROWS_EXCEPTION(inventory::WmiError, systems[0].property(u"NoSuchProperty"));
        QVERIFY(service.InstancesOf(QStringLiteral("Win32_Battery")).empty()); // a class the file does not list
    }

    void descriptionKeepsKindsAndOrder()
    {
        testsupport::MachineDescriptionFile file(machine);
        const auto processor = inventory::connectManagement(QStringLiteral("winmgmts:")).InstancesOf(QStringLiteral("Win32_Processor"))[0];
        QStringList names;
        for (const auto &property : processor.properties())
            names << property.name;
        QCOMPARE(names, (QStringList{QStringLiteral("Caption"), QStringLiteral("MaxClockSpeed"), QStringLiteral("LoadPercentage"),
                                     QStringLiteral("PowerManagementSupported"), QStringLiteral("PowerManagementCapabilities"), QStringLiteral("Name")}));
        QCOMPARE(processor.property(u"MaxClockSpeed").kind(), WmiValue::Kind::Integer);
        QCOMPARE(processor.property(u"LoadPercentage").kind(), WmiValue::Kind::Real);
        QCOMPARE(processor.property(u"PowerManagementSupported"), WmiValue::boolean(false));
        QCOMPARE(processor.property(u"PowerManagementCapabilities").elements().size(), size_t(2));
        QVERIFY_THROWS_EXCEPTION(inventory::WmiError, processor.property(u"PowerManagementCapabilities").toText());
        const auto battery = inventory::connectManagement(QStringLiteral("winmgmts:")).BatteryFigures();
        QCOMPARE(battery.fullTime, 7200);
        QCOMPARE(battery.lifePercent, qint16(85));
        QCOMPARE(battery.status, qint16(1));
    }

    void failingClassesAndCaptionLists()
    {
        testsupport::MachineDescriptionFile file(machine);
        QVERIFY_THROWS_EXCEPTION(inventory::WmiError, inventory::connectManagement(QStringLiteral("winmgmts:")).InstancesOf(QStringLiteral("Win32_Fan")));
        // The tree's caption list ignores the failure and keeps going.
        QCOMPARE(inventory::GetClassCaptions(QStringLiteral("Win32_Fan")), QStringList());
        // "|" in a caption splits it; Null and missing captions give empty pieces.
        QCOMPARE(inventory::GetClassCaptions(QStringLiteral("Win32_Keyboard")),
                 (QStringList{QStringLiteral("Standard "), QStringLiteral(" Keyboard"), QString(), QString()}));
        QCOMPARE(inventory::hardwareClassCatalogue().size(), 56);
        QCOMPARE(inventory::classLabel(QStringLiteral("Win32_CDROMDrive")), QStringLiteral("CDROMDrive"));
    }

    void shippedDesktopDescription()
    {
        const QByteArray previous = qgetenv("DRIVERSEARCHER_MACHINE");
        qputenv("DRIVERSEARCHER_MACHINE", DS_SOURCE_DIR "/data/desktop-pc.json");
        auto service = inventory::connectManagement(QStringLiteral("winmgmts:"));
        QSet<WmiValue::Kind> kinds;
        int driverless = 0;
        for (const QString &className : inventory::hardwareClassCatalogue()) {
            if (className == QLatin1String("Win32_VideoConfiguration")) {
                QVERIFY_THROWS_EXCEPTION(inventory::WmiError, service.InstancesOf(className)); // a failing class on purpose
                continue;
            }
            const auto instances = service.InstancesOf(className);
            const QStringList violations = schemaViolations(instances);
            QVERIFY2(violations.isEmpty(), qPrintable(violations.join(QLatin1Char('\n'))));
            for (const auto &instance : instances) {
                for (const auto &property : instance.properties())
                    kinds.insert(property.value.kind());
                if (instance.hasProperty(u"ConfigManagerErrorCode") && instance.property(u"ConfigManagerErrorCode") == WmiValue::integer(28))
                    ++driverless;
            }
        }
        QCOMPARE(kinds.size(), 6); // Null, text, whole number, real, boolean, array
        QCOMPARE(driverless, 1);
        QCOMPARE(inventory::GetClassCaptions(QStringLiteral("Win32_VideoController")), QStringList{QStringLiteral("NVIDIA GeForce 8600 GT")});
        QCOMPARE(service.BatteryFigures().status, qint16(128));
        const auto zones = inventory::connectManagement(QStringLiteral("winmgmts:\\\\localhost\\root\\wmi")).InstancesOf(QStringLiteral("MSAcpi_ThermalZoneTemperature"));
        QCOMPARE(zones.size(), size_t(1));
        qputenv("DRIVERSEARCHER_MACHINE", previous);
    }

    void brokenDescriptionsFailClearly_data()
    {
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<QString>("message");
        const QByteArray cimv2 = "{\"namespaces\": {\"root\\\\cimv2\": {";
        QTest::newRow("instance") << cimv2 + "\"Win32_Processor\": [ 1 ]}}}" << "Win32_Processor, instance 1: an instance must be an object, not a number";
        QTest::newRow("text as number") << cimv2 + "\"Win32_Processor\": [ {\"Name\": \"x\"}, {\"Caption\": 5} ]}}}"
                                        << "Win32_Processor, instance 2, property \"Caption\": a text is expected, not a number";
        QTest::newRow("boolean as text") << cimv2 + "\"Win32_ComputerSystem\": [ {\"HypervisorPresent\": \"yes\"} ]}}}"
                                         << "property \"HypervisorPresent\": a boolean is expected, not a text";
        QTest::newRow("64-bit number") << cimv2 + "\"Win32_ComputerSystem\": [ {\"TotalPhysicalMemory\": 17179869184} ]}}}"
                                       << "property \"TotalPhysicalMemory\": a text is expected, not a number";
        QTest::newRow("array") << cimv2 + "\"Win32_BIOS\": [ {\"BIOSVersion\": \"1.0\"} ]}}}" << "property \"BIOSVersion\": an array is expected, not a text";
        QTest::newRow("namespaces") << QByteArray("{\"namespaces\": 5}") << "\"namespaces\" must be an object of namespaces, not a number";
        QTest::newRow("class") << cimv2 + "\"Win32_Fan\": \"none\"}}}" << "Win32_Fan: a class must be a list of instances";
        QTest::newRow("battery figure") << QByteArray("{\"sysinfo\": {\"BatteryLifePercent\": 70000}}") << "\"BatteryLifePercent\": 70000 is outside";
        QTest::newRow("not JSON") << QByteArray("{\"namespaces\": ") << "is not valid: invalid JSON";
    }

    void brokenDescriptionsFailClearly()
    {
        QFETCH(QByteArray, description);
        QFETCH(QString, message);
        testsupport::MachineDescriptionFile file(description);
        // Every connection fails with the same error, and no class is answered from half a file.
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                inventory::connectManagement(QStringLiteral("winmgmts:"));
                QFAIL("an invalid description was accepted");
            } catch (const inventory::WmiError &error) {
                QVERIFY2(error.text().contains(message), qPrintable(error.text()));
                QVERIFY(error.text().startsWith(QStringLiteral("The machine description \"%1\"").arg(file.path())));
            }
        }
        // Values the documentation leaves open, and properties it does not list, stay as written.
        testsupport::MachineDescriptionFile loose(R"({"namespaces": {"root\\cimv2": {"Win32_Processor": [ {"LoadPercentage": 2.5, "Vendor notes": [1, "x"]} ]}}})");
        QCOMPARE(inventory::connectManagement(QStringLiteral("winmgmts:")).InstancesOf(QStringLiteral("Win32_Processor")).at(0).properties().size(), size_t(2));
    }

    void descriptionsAreRegularFilesOfBoundedSize()
    {
        QTemporaryDir folder;
        const QString fifo = folder.filePath(QStringLiteral("fifo.json"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // A file larger than any description: sparse, so the test writes nothing.
        const QString huge = folder.filePath(QStringLiteral("huge.json"));
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(65) << 20));
        file.close();
        const QByteArray previous = qgetenv("DRIVERSEARCHER_MACHINE");
        for (const auto &[path, message] : {std::pair{fifo, "is not a regular file"}, std::pair{QStringLiteral("/dev/zero"), "is not a regular file"},
                                            std::pair{huge, "is larger than 64 MiB"}, std::pair{folder.filePath(QStringLiteral("none.json")), "cannot be read"}}) {
            qputenv("DRIVERSEARCHER_MACHINE", path.toLocal8Bit());
            try {
                inventory::connectManagement(QStringLiteral("winmgmts:"));
                QFAIL(qPrintable(path));
            } catch (const inventory::WmiError &error) {
                QVERIFY2(error.text().contains(QLatin1String(message)), qPrintable(error.text()));
            }
        }
        qputenv("DRIVERSEARCHER_MACHINE", previous);
    }
};

QTEST_GUILESS_MAIN(TestManagement)
#include "test_management.moc"
