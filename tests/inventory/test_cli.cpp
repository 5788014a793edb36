// The command-line inventory: options, the text tree and the JSON document.
#include "inventory/catalogue.h"
#include "inventory/cli.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

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

// The program itself, as the user starts it.
const QString program = QStringLiteral(DS_BUILD_DIR "/driver-searcher");

// Starts the window program with a platform in the environment that does not exist, so that
// only a -platform argument that reaches Qt lets it start. Waits until the error output holds
// the expected text, or for a second and a half when none is expected; true when the program
// is still running then.
bool startWindow(QProcess &process, const QStringList &arguments, QByteArray *errors, const char *expected = nullptr)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 30000 && process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(100);
        *errors += process.readAllStandardError();
        if (expected ? errors->contains(expected) : waited.elapsed() > 1500)
            break;
    }
    return process.state() == QProcess::Running;
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
        // The window ignores what it does not know, Qt's own options among it...
        for (const QStringList &arguments : {QStringList{QStringLiteral("--lst")}, QStringList{QStringLiteral("somefile.txt")},
                                             QStringList{QStringLiteral("-style"), QStringLiteral("Fusion"), QStringLiteral("-platform"), QStringLiteral("offscreen")}})
            QCOMPARE(run(arguments).exitCode, std::nullopt);
        // ...the command-line inventory does not guess.
        const Run unknown = run({QStringLiteral("--json"), QStringLiteral("--lst")});
        QCOMPARE(unknown.exitCode, 2);
        QVERIFY(unknown.errors.contains("unknown option \"--lst\""));
        QVERIFY(unknown.output.isEmpty());
        QCOMPARE(run({QStringLiteral("--list"), QStringLiteral("somefile.txt")}).exitCode, 2);
        QCOMPARE(run({QStringLiteral("--list"), QStringLiteral("--root")}).exitCode, 2);
        const Run missing = run({QStringLiteral("--json"), QStringLiteral("--root"), QStringLiteral("/no/such/folder")});
        QCOMPARE(missing.exitCode, 2);
        QVERIFY(missing.errors.contains("/no/such/folder"));
        const Run file = run({QStringLiteral("--json"), QStringLiteral("--root"), QStringLiteral(DS_SOURCE_DIR "/CMakeLists.txt")});
        QCOMPARE(file.exitCode, 2);
        QVERIFY(file.errors.contains("is not a folder"));
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

    void listEscapesControlCharacters()
    {
        // A USB product string that would retitle and clear the terminal.
        testsupport::MachineDescriptionFile file("{\"namespaces\": {\"root\\\\cimv2\": {\"Win32_USBHub\": [ {"
                                                 "\"Caption\": \"Mouse\\u001b]0;owned\\u0007\\u001b[2J\", "
                                                 "\"Description\": \"tab\\there \\u009b1m\"} ]}}}");
        const Run list = run({QStringLiteral("--list")});
        QCOMPARE(list.exitCode, 0);
        QVERIFY(list.output.contains("    Mouse\\x1b]0;owned\\x07\\x1b[2J\n"));
        QVERIFY(list.output.contains("      Description: tab\\x09here \\x9b1m\n"));
        QVERIFY(!list.output.contains('\x1b') && !list.output.contains('\x07') && !list.output.contains("\xc2\x9b"));
        const Run json = run({QStringLiteral("--json")});
        QVERIFY(json.output.contains("\"Mouse\\u001b]0;owned\\u0007\\u001b[2J\""));
        QVERIFY(json.output.contains("\\u009b1m\""));
    }

    void brokenDescriptionIsReportedOnce()
    {
        testsupport::MachineDescriptionFile file(R"({"namespaces": {"root\\cimv2": {"Win32_Processor": [ {"Caption": 5} ]}}})");
        for (const char *option : {"--json", "--list"}) {
            const Run result = run({QString::fromLatin1(option)});
            QCOMPARE(result.exitCode, 1);
            QVERIFY(result.output.isEmpty());
            QCOMPARE(result.errors.count("driver-searcher:"), 1);
            QVERIFY(result.errors.contains("Win32_Processor, instance 1, property \"Caption\": a text is expected, not a number"));
        }
    }

    void theProgramReportsWhatFails()
    {
        QProcess process;
        process.start(program, {QStringLiteral("--version")});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.readAllStandardOutput(), QByteArray("driver-searcher 1.01\n"));
        QCOMPARE(process.exitCode(), 0);
        // An output that cannot be written is a failure, said on the error output.
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(program, {QStringLiteral("--json")});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(process.readAllStandardError().contains("the output cannot be written"));
        // Neither a FIFO nor an endless device is read as a machine description.
        QTemporaryDir folder;
        const QString fifo = folder.filePath(QStringLiteral("machine.json"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString &description : {fifo, QStringLiteral("/dev/zero")}) {
            QProcess hostile;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("DRIVERSEARCHER_MACHINE"), description);
            hostile.setProcessEnvironment(environment);
            hostile.start(program, {QStringLiteral("--json")});
            QVERIFY2(hostile.waitForFinished(30000), qPrintable(description));
            QCOMPARE(hostile.exitCode(), 1);
            QCOMPARE(hostile.readAllStandardError(), "driver-searcher: The machine description \"" + description.toUtf8() + "\" is not a regular file\n");
        }
    }

    void windowTakesQtArgumentsAndIgnoresOthers()
    {
        testsupport::MachineDescriptionFile file(machine);
        // A file name and an unknown option are ignored; a style Qt does not have reaches Qt,
        // which says so; -platform reaches Qt too, or the window could not start at all.
        QProcess unknownStyle, fusion;
        QByteArray unknownStyleErrors, fusionErrors;
        QVERIFY(startWindow(unknownStyle, {QStringLiteral("somefile.txt"), QStringLiteral("--unknown"), QStringLiteral("-style"), QStringLiteral("no-such-style"),
                                           QStringLiteral("-platform"), QStringLiteral("offscreen")}, &unknownStyleErrors, "no-such-style"));
        QVERIFY(startWindow(fusion, {QStringLiteral("-style"), QStringLiteral("Fusion"), QStringLiteral("-platform"), QStringLiteral("offscreen")}, &fusionErrors));
        QVERIFY2(!fusionErrors.contains("style"), fusionErrors.constData());
        for (QProcess *window : {&unknownStyle, &fusion}) {
            window->kill();
            window->waitForFinished();
        }
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
