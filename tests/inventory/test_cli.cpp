// The command-line inventory: options, the text tree and the JSON document.
#include "inventory/catalogue.h"
#include "inventory/cli.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray machine = R"({
  "namespaces": { "root\\cimv2": {
      "Win32_ComputerSystem": [ { "Caption": "DESKTOP-8F7QK2M", "Name": "DESKTOP-8F7QK2M" } ],
      "Win32_Processor": [ { "Caption": "Intel64 Family 6 Model 158 Stepping 10", "Name": "Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz",
                             "MaxClockSpeed": 3700, "LoadPercentage": 1.5, "VMMonitorModeExtensions": true, "SerialNumber": null,
                             "PowerManagementCapabilities": [1, 3] } ],
      "Win32_AssociatedBattery": [ { "Antecedent": "Win32_Battery.DeviceID=1", "Dependent": "Win32_ComputerSystem.Name=PC" } ],
      "Win32_Fan": { "fails": "Not supported" } } }
})";

struct Run {
    std::optional<int> exitCode;
    QByteArray output, errors;
};

Run run(QStringList arguments)
{
    arguments.prepend(QStringLiteral("driver-searcher"));
    Run result;
    result.exitCode = inventory::runCommandLine(arguments, &result.output, &result.errors);
    return result;
}
} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("DRIVERSEARCHER_ROOT"); }

    void optionsAndMistakes()
    {
        QCOMPARE(run({}).exitCode, std::nullopt); // the window opens
        const Run help = run({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.output.contains("--json"));
        const Run unknown = run({QStringLiteral("--lst")});
        QCOMPARE(unknown.exitCode, 2);
        QVERIFY(unknown.errors.contains("unknown option \"--lst\""));
        QVERIFY(unknown.output.isEmpty());
        QCOMPARE(run({QStringLiteral("--list"), QStringLiteral("--root")}).exitCode, 2);
        const Run missing = run({QStringLiteral("--json"), QStringLiteral("--root"), QStringLiteral("/no/such/folder")});
        QCOMPARE(missing.exitCode, 2);
        QVERIFY(missing.errors.contains("/no/such/folder"));
        // A root alone opens the window on that hardware.
        QTemporaryDir root;
        QCOMPARE(run({QStringLiteral("--root=") + root.path()}).exitCode, std::nullopt);
        QCOMPARE(qEnvironmentVariable("DRIVERSEARCHER_ROOT"), root.path());
    }

    void jsonKeepsOrderAndKinds()
    {
        testsupport::MachineDescriptionFile file(machine);
        const Run result = run({QStringLiteral("--list"), QStringLiteral("--json")}); // both: JSON
        QCOMPARE(result.exitCode, 0);
        QJsonParseError error;
        const QJsonObject document = QJsonDocument::fromJson(result.output, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(document.value(QStringLiteral("computer")).toString(), QStringLiteral("DESKTOP-8F7QK2M"));
        const QJsonArray classes = document.value(QStringLiteral("classes")).toArray();
        QStringList names;
        for (const QJsonValue &entry : classes)
            names << entry.toObject().value(QStringLiteral("class")).toString();
        QCOMPARE(names, inventory::hardwareClassCatalogue());
        const QJsonObject processor = classes[0].toObject().value(QStringLiteral("instances")).toArray()[0].toObject();
        QVERIFY(processor.value(QStringLiteral("MaxClockSpeed")).isDouble());
        QCOMPARE(processor.value(QStringLiteral("LoadPercentage")).toDouble(), 1.5);
        QCOMPARE(processor.value(QStringLiteral("VMMonitorModeExtensions")), QJsonValue(true));
        QVERIFY(processor.value(QStringLiteral("SerialNumber")).isNull());
        QCOMPARE(processor.value(QStringLiteral("PowerManagementCapabilities")).toArray(), (QJsonArray{1, 3}));
        // Properties in the provider's order (QJsonObject sorts, so look at the text).
        const qsizetype caption = result.output.indexOf("\"Caption\": \"Intel64");
        const qsizetype name = result.output.indexOf("\"Name\"", caption);
        QVERIFY(caption > 0 && caption < name && name < result.output.indexOf("\"MaxClockSpeed\"", caption));
        const QJsonObject fan = classes[inventory::hardwareClassCatalogue().indexOf(QStringLiteral("Win32_Fan"))].toObject();
        QCOMPARE(fan.value(QStringLiteral("error")).toString(), QStringLiteral("Not supported"));
        QVERIFY(!fan.contains(QStringLiteral("instances")));
        QCOMPARE(document.value(QStringLiteral("system")).toArray().size(), 2);
    }

    void listIsAnIndentedTree()
    {
        testsupport::MachineDescriptionFile file(machine);
        const Run result = run({QStringLiteral("--list")});
        QCOMPARE(result.exitCode, 0);
        const QString text = QString::fromUtf8(result.output);
        QVERIFY(text.startsWith(QLatin1String("DESKTOP-8F7QK2M\n")));
        QVERIFY(text.contains(QLatin1String("\n  Processor\n    Intel64 Family 6 Model 158 Stepping 10\n      Caption: Intel64")));
        QVERIFY(text.contains(QLatin1String("      PowerManagementCapabilities: {1, 3}\n")));
        QVERIFY(text.contains(QLatin1String("      VMMonitorModeExtensions: True\n")));
        QVERIFY(!text.contains(QLatin1String("SerialNumber"))); // no value, not listed
        QVERIFY(text.contains(QLatin1String("\n  AssociatedBattery\n    (instance 1)\n      Antecedent: ")));
        QVERIFY(text.contains(QLatin1String("\n  Fan\n    (cannot be read: Not supported)\n")));
        for (const QString &className : inventory::hardwareClassCatalogue())
            QVERIFY(text.contains(QStringLiteral("\n  ") + inventory::classLabel(className) + QLatin1Char('\n')));
    }

    void rootReadsAFakeMachine()
    {
        QTemporaryDir root;
        QDir().mkpath(root.filePath(QStringLiteral("proc/sys/kernel")));
        QFile hostname(root.filePath(QStringLiteral("proc/sys/kernel/hostname")));
        QVERIFY(hostname.open(QIODevice::WriteOnly));
        hostname.write("fakebox\n");
        hostname.close();
        // The named folder wins over a machine description.
        testsupport::MachineDescriptionFile file(machine);
        const Run result = run({QStringLiteral("--json"), QStringLiteral("--root"), root.path()});
        QCOMPARE(result.exitCode, 0);
        const QJsonObject document = QJsonDocument::fromJson(result.output).object();
        QCOMPARE(document.value(QStringLiteral("computer")).toString(), QStringLiteral("FAKEBOX"));
        QCOMPARE(document.value(QStringLiteral("classes")).toArray().size(), 56);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
