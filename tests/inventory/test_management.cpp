// The management-query layer: monikers, queries, property names, the machine-description
// backend and failing classes.
#include "inventory/catalogue.h"
#include "inventory/wmi.h"
#include "tests/linux/faketree.h"
#include "tests/support/testsupport.h"

#include <QSet>
#include <QTest>

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

    void brokenDescriptionsFailClearly()
    {
        testsupport::MachineDescriptionFile file("{ \"namespaces\": { \"root\\\\cimv2\": { \"Win32_Processor\": [ 1 ] } } }");
        try {
            inventory::connectManagement(QStringLiteral("winmgmts:"));
            QFAIL("an invalid description was accepted");
        } catch (const inventory::WmiError &error) {
            QVERIFY(error.text().contains(QLatin1String("instance")));
        }
    }
};

QTEST_GUILESS_MAIN(TestManagement)
#include "test_management.moc"
