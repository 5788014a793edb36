// This machine, read live: invariants only, never its exact hardware.
#include "inventory/catalogue.h"
#include "platform/environment.h"
#include "platform/linux/linuxprovider.h"
#include "tests/linux/desktoptree.h"

#include <QDir>
#include <QRegularExpression>
#include <QThread>
#include <QSet>
#include <QTest>

class TestLinuxLive : public QObject {
    Q_OBJECT

    platform::LinuxProvider provider{platform::LinuxProvider::Options{}};
    std::vector<platform::WmiObject> of(const QString &className) { return provider.instancesOf(QStringLiteral("root\\cimv2"), className); }

private slots:
    void everyClassEnumerates()
    {
        QStringList classes = inventory::hardwareClassCatalogue();
        classes << QStringLiteral("Win32_ComputerSystem") << QStringLiteral("Win32_OperatingSystem");
        for (const QString &className : classes) {
            std::vector<platform::WmiObject> instances;
            try {
                instances = of(className);
            } catch (const std::exception &error) {
                QFAIL(qPrintable(className + QStringLiteral(": ") + QString::fromLocal8Bit(error.what())));
            }
            const QStringList violations = schemaViolations(instances);
            QVERIFY2(violations.isEmpty(), qPrintable(violations.join(QLatin1Char('\n'))));
            // Where a class has a caption, every instance has one.
            for (const platform::WmiObject &instance : instances)
                if (instance.hasProperty(u"Caption"))
                    QVERIFY2(!instance.property(u"Caption").toText().isEmpty(), qPrintable(className));
        }
        // Virtual machines often have no thermal zone: then the class is not supported, like on Windows.
        try {
            QVERIFY(!provider.instancesOf(QStringLiteral("root\\wmi"), QStringLiteral("MSAcpi_ThermalZoneTemperature")).empty());
        } catch (const platform::WmiError &error) {
            QVERIFY2(error.text().startsWith(QStringLiteral("Not supported")), qPrintable(error.text()));
        }
        const platform::BatteryFigures figures = provider.batteryFigures();
        QVERIFY(figures.status == 128 || figures.status == 255 || (figures.status >= 0 && figures.status <= 15));
        QCOMPARE(of(QStringLiteral("Win32_ComputerSystem")).size(), size_t(1));
        QCOMPARE(of(QStringLiteral("Win32_OperatingSystem"))[0].property(u"OSType"), platform::WmiValue::integer(36));
        QVERIFY(!of(QStringLiteral("Win32_Processor")).empty());
    }

    void pciDevicesAgreeWithSysfs()
    {
        QSet<QString> addresses;
        for (const QString &entry : QDir(QStringLiteral("/sys/bus/pci/devices")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
            addresses.insert(entry);
        QSet<QString> listed;
        for (const platform::WmiObject &entity : of(QStringLiteral("Win32_PNPEntity"))) {
            const QString id = entity.property(u"DeviceID").textValue();
            if (id.startsWith(QLatin1String("PCI\\")))
                listed.insert(id.section(QLatin1Char('\\'), -1));
        }
        QCOMPARE(listed, addresses);
    }

    void devicesShareTheirNames()
    {
        const QStringList mismatches = captionMismatches([&](const QString &className) { return of(className); });
        QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches.join(QLatin1Char('\n'))));
    }

    void environmentInWindowsForm()
    {
        for (const char *name : {"COMPUTERNAME", "NUMBER_OF_PROCESSORS", "PROCESSOR_ARCHITECTURE", "PROCESSOR_IDENTIFIER", "PROCESSOR_LEVEL",
                                 "PROCESSOR_REVISION", "USERNAME", "USERPROFILE", "SystemDrive", "SystemRoot"})
            qunsetenv(name);
        QCOMPARE(platform::environmentValue(QStringLiteral("NUMBER_OF_PROCESSORS")).toInt(), QThread::idealThreadCount());
        const QString architecture = platform::environmentValue(QStringLiteral("PROCESSOR_ARCHITECTURE"));
        QVERIFY2(QStringList({QStringLiteral("AMD64"), QStringLiteral("x86"), QStringLiteral("ARM64"), QStringLiteral("ARM")}).contains(architecture), qPrintable(architecture));
        const QString computer = platform::environmentValue(QStringLiteral("computername"));
        QVERIFY(!computer.isEmpty());
        QCOMPARE(computer, computer.toUpper());
        QCOMPARE(platform::environmentValue(QStringLiteral("USERPROFILE")), QDir::homePath());
        QVERIFY(!platform::environmentValue(QStringLiteral("USERNAME")).isEmpty());
        if (architecture == QLatin1String("AMD64") || architecture == QLatin1String("x86")) {
            const QString identifier = platform::environmentValue(QStringLiteral("PROCESSOR_IDENTIFIER"));
            QVERIFY2(QRegularExpression(QStringLiteral("^(Intel64|AMD64|x86) Family \\d+ Model \\d+ Stepping \\d+, \\w+$")).match(identifier).hasMatch(),
                     qPrintable(identifier));
            QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{4}$")).match(platform::environmentValue(QStringLiteral("PROCESSOR_REVISION"))).hasMatch());
            QCOMPARE(platform::environmentValue(QStringLiteral("PROCESSOR_LEVEL")), identifier.section(QLatin1Char(' '), 2, 2));
        }
        // A variable that is set wins, matched without regard to case as on Windows.
        qputenv("PROCESSOR_ARCHITECTURE", "x86");
        QCOMPARE(platform::environmentValue(QStringLiteral("PROCESSOR_ARCHITECTURE")), QStringLiteral("x86"));
        qputenv("COMPUTERNAME", "BUILD-7");
        QCOMPARE(platform::environmentValue(QStringLiteral("computername")), QStringLiteral("BUILD-7"));
        QVERIFY(platform::environmentValue(QStringLiteral("NO_SUCH_FACT")).isEmpty());
        qunsetenv("PROCESSOR_ARCHITECTURE");
        qunsetenv("COMPUTERNAME");
    }
};

QTEST_GUILESS_MAIN(TestLinuxLive)
#include "test_linux_live.moc"
