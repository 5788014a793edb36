// The real program ends when it is told to close, whenever that happens: during the start-up
// scan of a large machine and once it is up; it releases the Live Help lock on the way out.
#include "machine.h"

#include "inventory/catalogue.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A machine of many devices, so that the start-up scan takes a while.
QByteArray largeMachine(int devicesPerClass)
{
    testmachine::Machine m;
    m.add(QStringLiteral("Win32_ComputerSystem"), {{QStringLiteral("Caption"), testmachine::text(QStringLiteral("BIG-PC"))}});
    for (const QString &className : inventory::hardwareClassCatalogue())
        for (int i = 0; i < devicesPerClass; ++i)
            m.add(className, {{QStringLiteral("Caption"), testmachine::text(QStringLiteral("Device %1").arg(i))}});
    return m.json();
}

class RunningProgram {
public:
    explicit RunningProgram(const QByteArray &machineJson)
    {
        QFile description(folder_.filePath(QStringLiteral("machine.json")));
        if (!description.open(QIODevice::WriteOnly) || description.write(machineJson) != machineJson.size())
            qFatal("cannot write the machine description");
        description.close();
        QDir(folder_.path()).mkdir(QStringLiteral("runtime"));
        QFile::setPermissions(runtimeFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("DRIVERSEARCHER_MACHINE"), description.fileName());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder()); // where the Live Help lock is kept
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(DS_BUILD_DIR "/driver-searcher"), {});
    }

    ~RunningProgram()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    QString runtimeFolder() const { return folder_.filePath(QStringLiteral("runtime")); }

    QStringList liveHelpLocks() const
    {
        return QDir(runtimeFolder()).entryList({QStringLiteral("torvane-live-help-*.lock")}, QDir::Files);
    }

    // The lock is taken just before the main window loads.
    bool waitForLiveHelpLock()
    {
        QElapsedTimer waited;
        waited.start();
        while (liveHelpLocks().isEmpty()) {
            if (waited.elapsed() > 30000 || process_.state() == QProcess::NotRunning)
                return false;
            QTest::qSleep(1);
        }
        return true;
    }

    QProcess &process() { return process_; }

private:
    QTemporaryDir folder_;
    QProcess process_;
};

} // namespace

class TestProgramEnd : public QObject {
    Q_OBJECT

private slots:
    void closedDuringTheStartUpScanTheProgramEnds()
    {
        RunningProgram program(largeMachine(800));
        QVERIFY(program.process().waitForStarted());
        QVERIFY(program.waitForLiveHelpLock());
        program.process().terminate(); // the same close sequence as the main window's close box
        QVERIFY2(program.process().waitForFinished(30000), "the program did not end");
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 0);
        QCOMPARE(program.liveHelpLocks(), QStringList());
    }

    void closedOnceItIsUpTheProgramEnds()
    {
        RunningProgram program(largeMachine(1));
        QVERIFY(program.process().waitForStarted());
        QVERIFY(program.waitForLiveHelpLock());
        QTest::qWait(1500);
        QCOMPARE(program.process().state(), QProcess::Running);
        program.process().terminate();
        QVERIFY2(program.process().waitForFinished(30000), "the program did not end");
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 0);
        QCOMPARE(program.liveHelpLocks(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestProgramEnd)
#include "test_program_end.moc"
