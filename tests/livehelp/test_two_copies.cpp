// Two copies of a program with the Live Help window, in two application folders, chat through
// the reference server: each sees both messages, the user lists follow, stopping the server
// shows the lost line in both, and Esc connects again once the server is back.
#include "app/forms.h"
#include "tests/chat/chattesthelpers.h"
#include "tests/support/testsupport.h"
#include "windows/livehelp/form2.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <cstdio>

namespace {

const char *const kCopyOption = "--chat-copy";

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QStringList userList(const QListWidget *list)
{
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names.append(list->item(row)->text());
    return names;
}

// One copy: chats as `me` with `other`, then waits for the server to go and come back.
int runCopy(const QString &me, const QString &other, const QString &port)
{
    testsupport::RecordingMessageBoxes boxes;
    chattest::RecordingSounds sounds;
    Form2 *form = app::Forms::show<Form2>();
    if (!form)
        return 3;
    auto lines = [&] { return chattest::transcriptTexts(form->rtbChat); };
    auto waitFor = [&](const QString &step, auto condition) {
        if (!QTest::qWaitFor(condition, 15000)) {
            say(QStringLiteral("FAIL %1: %2").arg(step, lines().join(QLatin1String(" | "))));
            std::exit(1);
        }
    };
    form->txtPort->setText(port);
    form->txtNickname->setText(me);
    QTest::mouseClick(form->cmdConnect, Qt::LeftButton);
    waitFor(QStringLiteral("connected"), [&] { return lines().contains(QStringLiteral("> Connected!")); });
    waitFor(QStringLiteral("both listed"), [&] {
        const QStringList users = userList(form->lstUsers);
        return users.contains(me) && users.contains(other);
    });
    QTest::keyClicks(form->txtMsg, QStringLiteral("hello from ") + me);
    QTest::keyClick(form->txtMsg, Qt::Key_Return);
    waitFor(QStringLiteral("both messages"), [&] {
        return lines().contains(me + QStringLiteral(": hello from ") + me)
            && lines().contains(other + QStringLiteral(": hello from ") + other);
    });
    say(QStringLiteral("chatted"));
    waitFor(QStringLiteral("lost"), [&] {
        return lines().contains(QStringLiteral("> The connection to the server was lost! Press the [ESC] key to re-connect."));
    });
    say(QStringLiteral("lost"));
    const QString go = QCoreApplication::applicationDirPath() + QStringLiteral("/go");
    waitFor(QStringLiteral("server back"), [&] { return QFile::exists(go); });
    QTest::keyClick(form->rtbChat, Qt::Key_Escape);
    waitFor(QStringLiteral("reconnected"), [&] { return lines().count(QStringLiteral("> Connected!")) == 2; });
    say(QStringLiteral("reconnected"));
    for (const QString &line : lines())
        say(QStringLiteral("T: ") + line);
    say(QStringLiteral("boxes: %1").arg(boxes.shown.size()));
    app::Forms::unload(form);
    return 0;
}

} // namespace

class TestTwoCopies : public QObject {
    Q_OBJECT

    QProcess server;

    quint16 startServer(const QString &port)
    {
        server.start(QStringLiteral(DS_BUILD_DIR "/livehelp-server"), {QStringLiteral("--port"), port});
        QString log;
        QRegularExpressionMatch match;
        if (!server.waitForStarted()
            || !QTest::qWaitFor([&] {
                   log += QString::fromLatin1(server.readAllStandardError());
                   match = QRegularExpression(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)")).match(log);
                   return match.hasMatch();
               }, 5000))
            return 0;
        return match.captured(1).toUShort();
    }

private slots:
    void chatThroughTheServer()
    {
        const quint16 port = startServer(QStringLiteral("0"));
        QVERIFY(port);
        QTemporaryDir folders[2];
        QProcess copies[2];
        const QString names[2] = {QStringLiteral("Ann"), QStringLiteral("Ben")};
        for (int i = 0; i < 2; ++i) {
            const QString executable = folders[i].filePath(QStringLiteral("livehelp-copy"));
            QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), executable));
            QFile serverFile(folders[i].filePath(QStringLiteral("ServerIP.txt")));
            QVERIFY(serverFile.open(QIODevice::WriteOnly));
            serverFile.write("\"127.0.0.1\"\r\n");
            serverFile.close();
            copies[i].setProcessChannelMode(QProcess::ForwardedErrorChannel);
            copies[i].start(executable, {QString::fromLatin1(kCopyOption), names[i], names[1 - i], QString::number(port)});
            QVERIFY(copies[i].waitForStarted());
        }
        auto waitForWord = [&](const QByteArray &word) {
            for (QProcess &copy : copies)
                if (!QTest::qWaitFor([&] { return copy.state() != QProcess::Running || copy.peek(1 << 20).contains(word + '\n'); }, 20000)
                    || !copy.peek(1 << 20).contains(word + '\n'))
                    return false;
            return true;
        };
        QVERIFY2(waitForWord("chatted"), copies[0].peek(4096) + copies[1].peek(4096));

        server.kill();
        QVERIFY(server.waitForFinished());
        QVERIFY2(waitForWord("lost"), copies[0].peek(4096) + copies[1].peek(4096));

        QCOMPARE(startServer(QString::number(port)), port);
        for (QTemporaryDir &folder : folders) {
            QFile go(folder.filePath(QStringLiteral("go")));
            QVERIFY(go.open(QIODevice::WriteOnly));
        }
        for (QProcess &copy : copies) {
            QVERIFY(copy.waitForFinished(20000));
            const QString output = QString::fromUtf8(copy.readAllStandardOutput());
            QVERIFY2(copy.exitCode() == 0, qPrintable(output));
            QVERIFY(output.contains(QLatin1String("T: Ann: hello from Ann\n")));
            QVERIFY(output.contains(QLatin1String("T: Ben: hello from Ben\n")));
            QVERIFY(output.contains(QLatin1String("boxes: 0")));
        }
        server.kill();
        server.waitForFinished();
    }
};

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], kCopyOption) == 0)
        return runCopy(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    TestTwoCopies test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_two_copies.moc"
