// The system summary: operating-system name, environment lines, battery lines, temperature
// and the architecture labels, as computed and as the main window shows them at start-up.
#include "machine.h"
#include "tests/support/testsupport.h"

#include "app/forms.h"
#include "windows/main/frigscope.h"
#include "windows/main/systemsummary.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

using testmachine::Environment;
using testmachine::Instance;
using testmachine::Machine;
using testmachine::text;
using inventory::WmiObject;
using inventory::WmiValue;

namespace {

WmiObject operatingSystem(const QString &version, std::optional<qint64> osType = std::nullopt)
{
    WmiObject os(QStringLiteral("Win32_OperatingSystem"));
    os.set(QStringLiteral("Name"), WmiValue::text(QStringLiteral("Microsoft Windows XP Professional")));
    os.set(QStringLiteral("CSDVersion"), WmiValue());
    os.set(QStringLiteral("Version"), WmiValue::text(version));
    if (osType)
        os.set(QStringLiteral("OSType"), WmiValue::integer(*osType));
    return os;
}

WmiObject thermalZone(qint64 tenthsOfKelvin)
{
    WmiObject zone(QStringLiteral("MSAcpi_ThermalZoneTemperature"));
    zone.set(QStringLiteral("CurrentTemperature"), WmiValue::integer(tenthsOfKelvin));
    return zone;
}

void unloadEverything()
{
    for (app::Form *form : app::Forms::loadedForms())
        app::Forms::unload(form);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList listItems(QListWidget *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

} // namespace

class TestSystemSummary : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { unloadEverything(); }

    void operatingSystemNameFromTheMajorVersion()
    {
        using systemsummary::shortOperatingSystemName;
        QCOMPARE(shortOperatingSystemName({operatingSystem("5.0.2195")}, {}), QStringLiteral("Windows XP"));
        QCOMPARE(shortOperatingSystemName({operatingSystem("5.1.2600")}, {}), QStringLiteral("Windows XP"));
        QCOMPARE(shortOperatingSystemName({operatingSystem("6.0.6000")}, {}), QStringLiteral("Windows Vista"));
        QCOMPARE(shortOperatingSystemName({operatingSystem("4.10.2222")}, {}), QStringLiteral("Windows 98"));
        QCOMPARE(shortOperatingSystemName({operatingSystem("10.0.19045")}, QStringLiteral("typed")), QStringLiteral("typed"));
        QCOMPARE(shortOperatingSystemName({}, {}), QString());
        // A Linux kernel 6.x is not Windows Vista.
        QCOMPARE(shortOperatingSystemName({operatingSystem("6.1.0-28-amd64", 36)}, {}), QStringLiteral("Linux"));
    }

    void descriptionLinesLeaveNullsEmpty()
    {
        QCOMPARE(systemsummary::operatingSystemDescription({operatingSystem("5.1.2600"), operatingSystem("6.0.6000")}),
                 QStringLiteral("Microsoft Windows XP Professional, , 5.1.2600\r\nMicrosoft Windows XP Professional, , 6.0.6000\r\n"));
    }

    void batteryLines()
    {
        using systemsummary::batteryLines;
        using systemsummary::formatBatteryHours;
        QCOMPARE(formatBatteryHours(7200), QStringLiteral("2.0"));
        QCOMPARE(formatBatteryHours(1800), QStringLiteral(".5"));
        QCOMPARE(formatBatteryHours(5400), QStringLiteral("1.5"));
        QCOMPARE(formatBatteryHours(0), QStringLiteral(".0"));
        QCOMPARE(formatBatteryHours(3420), QStringLiteral("1.0")); // 0.95 h rounds up into the whole part
        QCOMPARE(formatBatteryHours(-1), QStringLiteral("Unknown"));

        QCOMPARE(batteryLines({7200, 1800, 85, 1}),
                 QStringList({"BatteryFullTime = 2.0 Hours", "BatteryLifeTime = .5", "BatteryLifePercent = 85.00%",
                              "BatteryStatus = HIGH"}));
        QCOMPARE(batteryLines({-1, -1, 255, 128}),
                 QStringList({"BatteryFullTime = Unknown", "BatteryLifeTime = Unknown", "BatteryLifePercent = Unknown",
                              "BatteryStatus = NO BATTERY"}));
        QCOMPARE(batteryLines({3600, 3600, 50, 8}).size(), 3); // charging: no status line
        QCOMPARE(batteryLines({3600, 3600, 50, 0}).size(), 3);
        QCOMPARE(batteryLines({3600, 3600, 5, 4}).last(), QStringLiteral("BatteryStatus = CRITICAL"));
        QCOMPARE(batteryLines({3600, 3600, 5, 2}).last(), QStringLiteral("BatteryStatus = LOW"));
        QCOMPARE(batteryLines({3600, 3600, 5, 255}).last(), QStringLiteral("BatteryStatus = UNKNOWN"));
    }

    void temperatureRoundsHalvesToEven()
    {
        using systemsummary::cpuTemperature;
        QCOMPARE(cpuTemperature({thermalZone(3132)}), QStringLiteral("40"));
        QCOMPARE(cpuTemperature({thermalZone(3137)}), QStringLiteral("40"));
        QCOMPARE(cpuTemperature({thermalZone(3147)}), QStringLiteral("42"));
        QCOMPARE(cpuTemperature({thermalZone(3132), thermalZone(3232)}), QStringLiteral("50")); // the last one wins
        QCOMPARE(cpuTemperature({}), QStringLiteral("0"));
    }

    void startUpFillsTheSummary()
    {
        Environment env;
        env.set("computername", "DESKTOP-7");
        env.set("PROCESSOR_ARCHITECTURE", "x86");
        env.set("PROCESSOR_IDENTIFIER", "x86 Family 6 Model 15 Stepping 13, GenuineIntel");
        env.set("NUMBER_OF_PROCESSORS", "2");
        env.unset("USERPROFILE");
        env.set("SystemDrive", "C:");
        Machine m;
        m.add("Win32_ComputerSystem", {{"Caption", text("DESKTOP-7")}});
        m.add("Win32_OperatingSystem", {{"Name", text("Microsoft Windows XP Professional")},
                                        {"CSDVersion", text("Service Pack 3")},
                                        {"Version", text("5.1.2600")}});
        m.thermalZones = {{{"CurrentTemperature", "3137"}}};
        m.sysinfo = "{\"BatteryFullTime\": 7200, \"BatteryLifeTime\": 1800, \"BatteryLifePercent\": 85, \"BatteryStatus\": 1}";
        testsupport::MachineDescriptionFile machine(m.json());
        fRigscope *w = app::Forms::show<fRigscope>();

        QCOMPARE(w->Text3->text(), QStringLiteral("Windows XP"));
        QCOMPARE(w->Text2->toPlainText(), QStringLiteral("Microsoft Windows XP Professional, Service Pack 3, 5.1.2600\n"));
        QCOMPARE(w->Text14->text(), QStringLiteral("Computer name: DESKTOP-7"));
        QVERIFY(w->Text10->text().startsWith(QStringLiteral("Type of Operating System: Microsoft Windows XP Professional")));
        QCOMPARE(w->Text5->text(), QStringLiteral("Number of Processors: 2"));
        QCOMPARE(w->Text13->text(), QStringLiteral("Processor Architecture: x86"));
        QCOMPARE(w->Text12->text(), QStringLiteral("Processor Indentifier: x86 Family 6 Model 15 Stepping 13, GenuineIntel"));
        // Unset, the profile folder is this platform's equivalent: the home folder.
        QCOMPARE(w->Text9->text(), QStringLiteral("Location of User Profile: ") + QDir::homePath());
        QCOMPARE(w->Text6->text(), QStringLiteral("C:"));
        QVERIFY(w->Text15->text().startsWith(QStringLiteral("Processor Level: ")));
        QVERIFY(w->Text7->text().startsWith(QStringLiteral("Processor Revision: ")));
        QVERIFY(w->Text8->text().startsWith(QStringLiteral("Current UserName: ")));
        QVERIFY(w->Text11->text().startsWith(QStringLiteral("System Root: ")));
        QCOMPARE(w->Label26->text(), QStringLiteral("x86"));
        QCOMPARE(listItems(w->lstInfo), QStringList({"BatteryFullTime = 2.0 Hours", "BatteryLifeTime = .5",
                                                      "BatteryLifePercent = 85.00%", "BatteryStatus = HIGH"}));
        QCOMPARE(w->Label14->text(), QStringLiteral("40"));
        QCOMPARE(w->Label28->text(), QStringLiteral("32-bit"));
    }

    void missingThermalClassDoesNotStopStartUp()
    {
        Environment env;
        env.set("PROCESSOR_ARCHITECTURE", "x86");
        Machine m;
        m.add("Win32_ComputerSystem", {{"Caption", text("VM")}});
        m.thermalFails = true;
        testsupport::MachineDescriptionFile machine(m.json());
        fRigscope *w = app::Forms::show<fRigscope>();
        QCOMPARE(w->Label14->text(), QStringLiteral("not available"));
        QCOMPARE(w->Label28->text(), QStringLiteral("32-bit"));
        QCOMPARE(listItems(w->lstInfo).last(), QStringLiteral("BatteryStatus = NO BATTERY"));
    }

    void otherArchitecturesLeaveTheProgrammingLabelEmpty()
    {
        Environment env;
        env.set("PROCESSOR_ARCHITECTURE", "AMD64");
        Machine m;
        m.add("Win32_ComputerSystem", {{"Caption", text("PC")}});
        testsupport::MachineDescriptionFile machine(m.json());
        fRigscope *w = app::Forms::show<fRigscope>();
        QCOMPARE(w->Label26->text(), QStringLiteral("AMD64"));
        QCOMPARE(w->Label28->text(), QString());
        QCOMPARE(w->Label14->text(), QStringLiteral("0")); // the class is there but has no instances
    }
};

QTEST_MAIN(TestSystemSummary)
#include "test_system_summary.moc"
