// The Live Help window against a real chat server on loopback.
#include "app/appfolder.h"
#include "app/forms.h"
#include "chat/chatstate.h"
#include "chat/transcript.h"
#include "tests/chat/chattesthelpers.h"
#include "tests/support/testsupport.h"
#include "tools/livehelp-server/chatroom.h"
#include "windows/about/tos.h"
#include "windows/livehelp/chatsession.h"
#include "windows/livehelp/form2.h"
#include "windows/livehelp/mp3player.h"
#include "windows/livehelp/singleinstance.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

using chattest::Client;
using chattest::transcriptLines;
using chattest::transcriptTexts;

namespace {

const char *const kHoldLockOption = "--hold-live-help-lock";

QStringList entries(const QListWidget *list)
{
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names.append(list->item(row)->text());
    return names;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A port with nothing listening on it.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestLiveHelpWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TemporaryApplicationFolder> folder;
    std::unique_ptr<testsupport::RecordingMessageBoxes> boxes;
    std::unique_ptr<chattest::RecordingSounds> sounds;
    std::unique_ptr<ChatRoom> room;
    Form2 *form = nullptr;

    QString serverFile() const { return folder->file(QStringLiteral("ServerIP.txt")); }

    void startRoom(quint16 port = 0)
    {
        room = std::make_unique<ChatRoom>();
        QVERIFY(room->listen(QHostAddress::LocalHost, port));
    }

    void openWindow()
    {
        form = app::Forms::show<Form2>();
        QVERIFY(form);
    }

    void unloadWindow()
    {
        if (app::Form *loaded = app::Forms::loaded<Form2>())
            app::Forms::unload(loaded);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        form = nullptr;
    }

    void connectAs(const QString &nickname)
    {
        form->txtServer->setText(QStringLiteral("127.0.0.1"));
        form->txtPort->setText(QString::number(room->port()));
        form->txtNickname->setText(nickname);
        QTest::mouseClick(form->cmdConnect, Qt::LeftButton);
    }

    // Opens the window and connects it to a bare loopback server that the test speaks for.
    void connectToRawServer(QTcpServer &raw, QTcpSocket *&peer)
    {
        QVERIFY(raw.listen(QHostAddress::LocalHost, 0));
        openWindow();
        form->txtServer->setText(QStringLiteral("127.0.0.1"));
        form->txtPort->setText(QString::number(raw.serverPort()));
        QTest::mouseClick(form->cmdConnect, Qt::LeftButton);
        QVERIFY(raw.waitForNewConnection(5000));
        peer = raw.nextPendingConnection();
    }

    QStringList lines() const { return transcriptTexts(form->rtbChat); }
    QColor colourOfLine(int line) const { return transcriptLines(form->rtbChat).at(line).first().colour; }
    bool waitForLine(const QString &text) const
    {
        return QTest::qWaitFor([&] { return lines().contains(text); }, 5000);
    }

private slots:
    void init()
    {
        folder = std::make_unique<testsupport::TemporaryApplicationFolder>();
        boxes = std::make_unique<testsupport::RecordingMessageBoxes>();
        sounds = std::make_unique<chattest::RecordingSounds>();
        chat::chatState().ConnectionLost = false;
    }

    void cleanup()
    {
        unloadWindow();
        room.reset();
        sounds.reset();
        boxes.reset();
        folder.reset();
    }

    // Runs first, while this process holds no Live Help lock: another copy of this executable
    // holds it, so the window refuses to open and leaves ServerIP.txt alone; once that copy has
    // gone (killed, its lock left behind), the window opens.
    void aSecondCopyIsRefused()
    {
        writeFile(serverFile(), "\"kept.example\"\r\n");
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kHoldLockOption)});
        QVERIFY(holder.waitForStarted());
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("held"));

        QCOMPARE(app::Forms::show<Form2>(), nullptr);
        QCOMPARE(app::Forms::loaded<Form2>(), nullptr);
        QCOMPARE(boxes->shown.size(), 1);
        QCOMPARE(boxes->shown[0].text, QStringLiteral("This program is already running"));
        QCOMPARE(boxes->shown[0].icon, app::MessageIcon::None);
        QCOMPARE(boxes->shown[0].title, QString());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(contentOf(serverFile()), QByteArray("\"kept.example\"\r\n"));

        holder.kill();
        QVERIFY(holder.waitForFinished());
        openWindow();
        QCOMPARE(form->txtServer->text(), QStringLiteral("kept.example"));
        QCOMPARE(boxes->shown.size(), 1);
    }

    void windowAsOpened()
    {
        writeFile(serverFile(), "\"first.example\"\r\n10.0.0.7\r\n");
        openWindow();
        QCOMPARE(form->windowTitle(), QStringLiteral("Torvane Driver Searcher - Live Help"));
        QCOMPARE(form->TabStrip1->count(), 1);
        QCOMPARE(form->TabStrip1->tabText(0), QStringLiteral("Live Help"));
        QCOMPARE(form->TabStrip1->tabToolTip(0), QStringLiteral("Opens Live Help Chat Client"));
        QVERIFY(form->LiveHelpFrame->isVisible());
        QCOMPARE(form->Frame3->parentWidget(), form->Frame27);
        QCOMPARE(form->txtServer->text(), QStringLiteral("10.0.0.7"));
        QCOMPARE(form->txtPort->text(), QStringLiteral("1234"));
        QCOMPARE(form->txtNickname->text(), QStringLiteral("Client"));
        QVERIFY(form->rtbChat->document()->isEmpty());
        QVERIFY(form->Frame3->Check5->isHidden());
        for (const char *name : {"rtbChat", "txtMsg", "cmdSend", "lstUsers", "sckClient", "cmdConnect", "Command12",
                                 "Command3", "Label6", "Frame26", "Frame27", "mnuAbout", "mnuForums"})
            QVERIFY2(form->findChild<QObject *>(QString::fromLatin1(name)), name);

        // The tab shows the player's Loop box and changes nothing else.
        QTest::mouseClick(form->TabStrip1, Qt::LeftButton, {}, form->TabStrip1->tabRect(0).center());
        QVERIFY(!form->Frame3->Check5->isHidden());
        QVERIFY(form->rtbChat->document()->isEmpty());

        testsupport::RecordingLinks links;
        form->mnuForums->trigger();
        QCOMPARE(links.opened, QList<QUrl>{QUrl(QString::fromLatin1(app::kSupportForumUrl))});

        QTest::mouseClick(form->Command3, Qt::LeftButton);
        QVERIFY(app::Forms::loaded<TOS>());
        app::Forms::unload(app::Forms::loaded<TOS>());
        QVERIFY(boxes->shown.isEmpty());
    }

    // Connect, the room, messages both ways, leaves, the server going away, Esc, disconnect.
    void wholeSession()
    {
        startRoom();
        openWindow();
        const quint16 port = room->port();
        form->txtServer->setText(QStringLiteral("  127.0.0.1 "));
        form->txtPort->setText(QString::number(port));
        form->txtNickname->setText(QStringLiteral(" Alice  "));
        QTest::mouseClick(form->cmdConnect, Qt::LeftButton);
        QCOMPARE(form->txtServer->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(form->txtNickname->text(), QStringLiteral("Alice"));
        const QString connecting = QStringLiteral("> Connecting to 127.0.0.1:%1...").arg(port);
        const QString welcome =
            QStringLiteral("Welcome to Live Help, there is a Server Mod on, so if you need help, please ask a question.");
        QCOMPARE(lines(), QStringList({connecting, welcome}));
        QCOMPARE(colourOfLine(0), chat::kGrey);
        QCOMPARE(colourOfLine(1), chat::kGrey);
        QCOMPARE(sounds->played.size(), 3);
        QCOMPARE(sounds->played.first(), folder->file(QStringLiteral("sysmessage.WAV")));

        QVERIFY(waitForLine(QStringLiteral("> Connected!")));
        QCOMPARE(colourOfLine(2), chat::kGreen);
        QVERIFY(QTest::qWaitFor([&] { return entries(form->lstUsers) == QStringList{"Alice"}; }, 5000));

        Client bob(port);
        QVERIFY(bob.waitConnected());
        bob.send("CON\x02" "Bob\x04");
        QVERIFY(waitForLine(QStringLiteral("Bob has joined the room.")));
        QCOMPARE(entries(form->lstUsers), QStringList({"Alice", "Bob"}));

        // Enter sends, the server relays the message back, markup stays text.
        sounds->played.clear();
        QTest::keyClicks(form->txtMsg, QStringLiteral("hi <b>Bob</b>"));
        QTest::keyClick(form->txtMsg, Qt::Key_Return);
        QVERIFY(form->txtMsg->text().isEmpty());
        QCOMPARE(sounds->played.size(), 2);
        QVERIFY(waitForLine(QStringLiteral("Alice: hi <b>Bob</b>")));
        QVERIFY(bob.waitFrames(2));
        QCOMPARE(bob.frames.last(), QByteArray("MSG\x02" "Alice\x02hi <b>Bob</b>"));
        auto own = transcriptLines(form->rtbChat).last();
        QCOMPARE(own[0].colour, chat::kNavy);
        QVERIFY(own[0].bold);

        // Frame separators typed into a message are taken out before sending.
        form->txtMsg->setText(QStringLiteral("x\x04MSG\x02" "Bob\x02" "forged"));
        QTest::mouseClick(form->cmdSend, Qt::LeftButton);
        QVERIFY(waitForLine(QStringLiteral("Alice: xMSGBobforged")));
        QVERIFY(lines().contains(
            QStringLiteral("> Your message held control characters that the chat cannot carry; they were removed.")));

        bob.send("MSG\x02" "Bob\x02welcome, Alice\x04");
        QVERIFY(waitForLine(QStringLiteral("Bob: welcome, Alice")));
        QCOMPARE(transcriptLines(form->rtbChat).last()[0].colour, chat::kDarkRed);
        bob.socket.disconnectFromHost();
        QVERIFY(waitForLine(QStringLiteral("Bob has left the room.")));
        QCOMPARE(entries(form->lstUsers), QStringList{"Alice"});

        // The server goes away: the lost line, then Esc connects again with the same fields.
        room.reset();
        const QString lost = QStringLiteral("> The connection to the server was lost! Press the [ESC] key to re-connect.");
        QVERIFY(waitForLine(lost));
        QCOMPARE(colourOfLine(lines().size() - 1), chat::kGrey);
        QVERIFY(chat::chatState().ConnectionLost);
        startRoom(port);
        const int before = lines().size();
        QTest::keyClick(form->lstUsers, Qt::Key_Escape);
        QVERIFY(!chat::chatState().ConnectionLost);
        QCOMPARE(lines().mid(before, 2), QStringList({connecting, welcome}));
        QVERIFY(QTest::qWaitFor([&] { return lines().size() == before + 3; }, 5000));
        QCOMPARE(lines().last(), QStringLiteral("> Connected!"));

        // Esc while connected does nothing.
        QTest::keyClick(form->txtMsg, Qt::Key_Escape);
        QTest::qWait(100);
        QCOMPARE(lines().size(), before + 3);

        // Disconnect: nothing written, and sending now keeps the text.
        sounds->played.clear();
        QTest::mouseClick(form->Command12, Qt::LeftButton);
        QTest::qWait(50);
        QCOMPARE(lines().size(), before + 3);
        QVERIFY(sounds->played.isEmpty());
        QTest::keyClicks(form->txtMsg, QStringLiteral("anyone?"));
        QTest::keyClick(form->txtMsg, Qt::Key_Enter);
        QCOMPARE(lines().last(), QStringLiteral("> Not connected! Cannot send message."));
        QCOMPARE(colourOfLine(lines().size() - 1), chat::kDarkRed);
        QCOMPARE(form->txtMsg->text(), QStringLiteral("anyone?"));
        QCOMPARE(sounds->played.size(), 3);

        // An empty message sends and writes nothing, but the sound plays.
        form->txtMsg->clear();
        sounds->played.clear();
        QTest::mouseClick(form->cmdSend, Qt::LeftButton);
        QCOMPARE(lines().last(), QStringLiteral("> Not connected! Cannot send message."));
        QCOMPARE(sounds->played.size(), 1);
        // Disconnecting by hand is no loss: Esc does nothing.
        QTest::keyClick(form->txtMsg, Qt::Key_Escape);
        QCOMPARE(lines().last(), QStringLiteral("> Not connected! Cannot send message."));
    }

    // Failures carry the numbers of the Windows socket errors, never 0.
    void socketErrorNumbers()
    {
        openWindow();
        form->txtServer->setText(QStringLiteral("127.0.0.1"));
        form->txtPort->setText(QString::number(closedPort()));
        QTest::mouseClick(form->cmdConnect, Qt::LeftButton);
        QVERIFY(waitForLine(QStringLiteral("> Press the [ESC] key to re-connect.")));
        QStringList all = lines();
        QCOMPARE(all.size(), 4);
        QCOMPARE(all[2], QStringLiteral("> Error (10061): Connection refused."));
        QCOMPARE(colourOfLine(2), chat::kDarkRed);
        QCOMPARE(colourOfLine(3), chat::kDarkRed);
        QVERIFY(chat::chatState().ConnectionLost);

        form->txtServer->setText(QStringLiteral("no-such-host.invalid"));
        QTest::mouseClick(form->cmdConnect, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return lines().size() == 8; }, 30000));
        QCOMPARE(lines()[6], QStringLiteral("> Error (11001): Host not found."));
        QVERIFY(boxes->shown.isEmpty());

        // What a loopback server cannot provoke.
        using livehelp::socketErrorNumber;
        QCOMPARE(socketErrorNumber(QAbstractSocket::SocketTimeoutError, QStringLiteral("Socket operation timed out")), 10060);
        QCOMPARE(socketErrorNumber(QAbstractSocket::NetworkError, QStringLiteral("Connection timed out")), 10060);
        QCOMPARE(socketErrorNumber(QAbstractSocket::NetworkError, QStringLiteral("Host unreachable")), 10065);
        QCOMPARE(socketErrorNumber(QAbstractSocket::NetworkError, QStringLiteral("Network unreachable")), 10051);
        QCOMPARE(socketErrorNumber(QAbstractSocket::RemoteHostClosedError, QString()), 10054);
        QCOMPARE(socketErrorNumber(QAbstractSocket::NetworkError, QStringLiteral("something else")), 10053);
        QCOMPARE(socketErrorNumber(QAbstractSocket::UnknownSocketError, QString()), 10053);
    }

    // A hostile server: a message of 300,000 characters without a blank, then a burst of 5,000
    // lines, then it closes. The window shows the long line at once, takes its events between
    // parts of the burst, and shows every line before the lost line.
    void longLinesAndBursts()
    {
        QTcpServer raw;
        QTcpSocket *peer = nullptr;
        connectToRawServer(raw, peer);
        QVERIFY(peer);
        const QByteArray word(300000, 'w');
        peer->write("MSG\x02Srv\x02" + word + '\x04');
        QVERIFY(QTest::qWaitFor([&] { return lines().size() == 4; }, 5000));
        QCOMPARE(lines()[3].remove(QChar(chat::kBreakMark)), QStringLiteral("Srv: ") + QString::fromLatin1(word));

        const int before = lines().size();
        QList<int> seen;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] { seen.append(form->rtbChat->document()->blockCount()); });
        watch.start(0);
        QByteArray burst;
        for (int i = 0; i < 5000; ++i)
            burst += "MSG\x02Srv\x02" + QByteArray::number(i) + '\x04';
        peer->write(burst);
        peer->disconnectFromHost();
        const QString lost = QStringLiteral("> The connection to the server was lost! Press the [ESC] key to re-connect.");
        QVERIFY(waitForLine(lost));
        watch.stop();
        const QStringList all = lines();
        QCOMPARE(all.size(), before + 5001);
        QCOMPARE(all[before], QStringLiteral("Srv: 0"));
        QCOMPARE(all[before + 4999], QStringLiteral("Srv: 4999"));
        QCOMPARE(all.last(), lost);
        const bool partly = std::any_of(seen.begin(), seen.end(), [&](int blocks) { return blocks > before + 1 && blocks < before + 5000; });
        QVERIFY2(partly, "the window took no events during the burst");
    }

    // A server that never ends a frame is cut off; what came before is shown. The unfinished
    // tail of a dropped connection is followed by the next connection's data.
    void receiveBufferAcrossConnections()
    {
        QTcpServer raw;
        QTcpSocket *peer = nullptr;
        connectToRawServer(raw, peer);
        QVERIFY(peer);
        peer->write("MSG\x02Srv\x02one\x04MSG\x02Srv\x02tw");
        QVERIFY(waitForLine(QStringLiteral("Srv: one")));
        peer->close();
        QVERIFY(waitForLine(QStringLiteral("> The connection to the server was lost! Press the [ESC] key to re-connect.")));

        QTest::keyClick(form->txtMsg, Qt::Key_Escape);
        QVERIFY(raw.waitForNewConnection(5000));
        peer = raw.nextPendingConnection();
        peer->write("o\x04");
        QVERIFY(waitForLine(QStringLiteral("Srv: two")));

        const QByteArray flood(256 * 1024, 'z');
        for (int i = 0; i < 5; ++i)
            peer->write(flood);
        QVERIFY(waitForLine(
            QStringLiteral("> Error (10053): The server sent more than 1 MB without ending a message, so the connection was closed.")));
        QCOMPARE(lines().last(), QStringLiteral("> Press the [ESC] key to re-connect."));
        QVERIFY(chat::chatState().ReceiveBuffer.pending().isEmpty());
        QVERIFY(chat::chatState().ConnectionLost);
    }

    void fieldChecks()
    {
        openWindow();
        form->txtServer->setText(QStringLiteral("127.0.0.1"));
        form->txtNickname->setText(QStringLiteral("   "));
        QTest::mouseClick(form->cmdConnect, Qt::LeftButton);
        QCOMPARE(form->txtNickname->text(), QString());
        QCOMPARE(boxes->texts(), QStringList{"Please fill in all fields!"});
        QCOMPARE(boxes->shown.last().icon, app::MessageIcon::Critical);

        // Only digits and backspace are typed; five at most; shortcuts such as paste still work.
        form->txtNickname->setText(QStringLiteral("\tTab"));
        form->txtPort->clear();
        QTest::keyClicks(form->txtPort, QStringLiteral("8a0-8 0x"));
        QCOMPARE(form->txtPort->text(), QStringLiteral("8080"));
        QTest::keyClick(form->txtPort, Qt::Key_Backspace);
        QCOMPARE(form->txtPort->text(), QStringLiteral("808"));
        QTest::keyClicks(form->txtPort, QStringLiteral("123"));
        QCOMPARE(form->txtPort->text(), QStringLiteral("80812"));
        form->txtPort->clear();
        QApplication::clipboard()->setText(QStringLiteral("80a"));
        QTest::keyClick(form->txtPort, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(form->txtPort->text(), QStringLiteral("80a"));
        QTest::mouseClick(form->cmdConnect, Qt::LeftButton);
        QCOMPARE(boxes->texts().last(), QStringLiteral("Invalid port value!"));
        QCOMPARE(boxes->shown.last().icon, app::MessageIcon::Critical);
        form->txtPort->setText(QStringLiteral("65536"));
        QTest::mouseClick(form->cmdConnect, Qt::LeftButton);
        QCOMPARE(boxes->shown.size(), 3);
        QCOMPARE(form->txtNickname->text(), QStringLiteral("\tTab"));
        QVERIFY(lines().isEmpty());

        // A nickname with frame separators is cleaned before it is used.
        startRoom();
        form->txtPort->setText(QString::number(room->port()));
        form->txtNickname->setText(QStringLiteral("Ev\x02" "e"));
        QTest::mouseClick(form->cmdConnect, Qt::LeftButton);
        QCOMPARE(form->txtNickname->text(), QStringLiteral("Eve"));
        QCOMPARE(chat::chatState().CurrentNickname, QStringLiteral("Eve"));
        QVERIFY(QTest::qWaitFor([&] { return entries(form->lstUsers) == QStringList{"Eve"}; }, 5000));
    }

    // Closing while connected ends the connection and stores the address; the next opening
    // starts afresh with it.
    void closingWhileConnected()
    {
        startRoom();
        Client bob(room->port());
        QVERIFY(bob.waitConnected());
        bob.send("CON\x02" "Bob\x04");
        openWindow();
        connectAs(QStringLiteral("Alice"));
        QVERIFY(bob.waitFrames(2));
        form->txtServer->setText(QStringLiteral("help.example, port 1234"));
        form->close();
        QVERIFY(bob.waitFrames(3));
        QCOMPARE(bob.frames.last(), QByteArray("LEA\x02" "Alice"));
        QCOMPARE(contentOf(serverFile()), QByteArray("\"help.example, port 1234\"\r\n"));
        QCOMPARE(app::Forms::loaded<Form2>(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        openWindow();
        QCOMPARE(form->txtServer->text(), QStringLiteral("help.example, port 1234"));
        QVERIFY(form->rtbChat->document()->isEmpty());
        QCOMPARE(form->lstUsers->count(), 0);
        QCOMPARE(form->sckClient->state(), QAbstractSocket::UnconnectedState);
    }

    // An application folder that cannot take ServerIP.txt: a clear message, the window still closes.
    void unwritableApplicationFolder()
    {
        const QString notAFolder = folder->file(QStringLiteral("plain-file"));
        writeFile(notAFolder, "x");
        app::setApplicationFolder(notAFolder);
        openWindow();
        QCOMPARE(form->txtServer->text(), QString());
        form->txtServer->setText(QStringLiteral("somewhere.example"));
        form->close();
        QCOMPARE(app::Forms::loaded<Form2>(), nullptr);
        QCOMPARE(boxes->shown.size(), 1);
        QVERIFY(boxes->shown[0].text.startsWith(QLatin1String("The chat server address could not be saved")));
        QCOMPARE(boxes->shown[0].icon, app::MessageIcon::Critical);
    }
};

int main(int argc, char **argv)
{
    // The second copy of this executable in aSecondCopyIsRefused: holds the lock until killed.
    if (argc > 1 && qstrcmp(argv[1], kHoldLockOption) == 0) {
        QCoreApplication application(argc, argv);
        if (!livehelp::claimLiveHelpInstance())
            return 3;
        std::puts("held");
        std::fflush(stdout);
        char line[8];
        while (std::fgets(line, sizeof line, stdin)) {
        }
        return 0;
    }
    QApplication application(argc, argv);
    TestLiveHelpWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_livehelp_window.moc"
