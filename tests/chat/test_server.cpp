// The reference chat server with several real clients on loopback: the program itself, and the
// room in this process where a test needs small limits.
#include "chat/protocol.h"
#include "tests/chat/chattesthelpers.h"
#include "tools/livehelp-server/chatroom.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using chattest::Client;

namespace {

QByteArray serverSays(const QByteArray &text)
{
    return "MSG\x02" "Server\x02" + text;
}

bool connected(const Client &client)
{
    return client.socket.state() == QAbstractSocket::ConnectedState;
}

} // namespace

class TestLiveHelpServer : public QObject {
    Q_OBJECT

    QProcess server;
    QString serverLog;
    quint16 port = 0;

    std::unique_ptr<Client> join(const QByteArray &nickname, quint16 to = 0)
    {
        auto client = std::make_unique<Client>(to ? to : port);
        if (!client->waitConnected())
            return nullptr;
        client->send("CON\x02" + nickname + "\x04");
        if (!client->waitFrames(1))
            return nullptr;
        return client;
    }

    QString log()
    {
        serverLog += QString::fromUtf8(server.readAllStandardError());
        return serverLog;
    }

    QProcess::ExitStatus run(const QStringList &arguments, int &code, QByteArray &out, QByteArray &err)
    {
        QProcess process;
        process.start(QStringLiteral(DS_BUILD_DIR "/livehelp-server"), arguments);
        process.waitForFinished(5000);
        code = process.exitCode();
        out = process.readAllStandardOutput();
        err = process.readAllStandardError();
        return process.exitStatus();
    }

private slots:
    void init()
    {
        server.setProgram(QStringLiteral(DS_BUILD_DIR "/livehelp-server"));
        server.setArguments({QStringLiteral("--port"), QStringLiteral("0")});
        server.start();
        QVERIFY(server.waitForStarted());
        QRegularExpressionMatch match;
        QVERIFY(QTest::qWaitFor([&] {
            match = QRegularExpression(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)")).match(log());
            return match.hasMatch();
        }, 5000));
        port = match.captured(1).toUShort();
        QVERIFY(port > 0);
    }

    void cleanup()
    {
        server.kill();
        server.waitForFinished();
        serverLog.clear();
    }

    // Joins, the room's list, relayed messages to everyone including the sender, and leaves.
    void oneRoom()
    {
        auto ann = join("Ann");
        QVERIFY(ann);
        QCOMPARE(ann->frames, QList<QByteArray>{"LST\x02" "Ann\r\n"});
        auto bob = join("Bob");
        QVERIFY(bob);
        QCOMPARE(bob->frames, QList<QByteArray>{"LST\x02" "Ann\r\nBob\r\n"});
        QVERIFY(ann->waitFrames(2));
        QCOMPARE(ann->frames[1], QByteArray("ENT\x02" "Bob"));
        auto cy = join("Cy");
        QVERIFY(cy);
        QVERIFY(ann->waitFrames(3) && bob->waitFrames(2));

        // Cut into pieces, with a claimed nickname that is not the sender's.
        bob->send("MSG\x02" "Ann\x02hel");
        QTest::qWait(50);
        bob->send("lo all\x04");
        for (Client *c : {ann.get(), bob.get(), cy.get()}) {
            QVERIFY(c->waitFrames(c == ann.get() ? 4 : c == bob.get() ? 3 : 2));
            QCOMPARE(c->frames.last(), QByteArray("MSG\x02" "Bob\x02hello all"));
        }

        bob->socket.disconnectFromHost();
        QVERIFY(ann->waitFrames(5) && cy->waitFrames(3));
        QCOMPARE(ann->frames.last(), QByteArray("LEA\x02" "Bob"));
        QCOMPARE(cy->frames.last(), QByteArray("LEA\x02" "Bob"));
        auto dee = join("Dee");
        QVERIFY(dee);
        QCOMPARE(dee->frames.first(), QByteArray("LST\x02" "Ann\r\nCy\r\nDee\r\n"));
    }

    // Nicknames that would let a client pass for another, break the lists or flood them are
    // refused with the reason, before anyone learns of them; the log shows them escaped.
    void refusedNicknames()
    {
        auto ann = join("Ann");
        QVERIFY(ann);
        const QByteArray longest(64, 'x');
        const struct {
            QByteArray nickname;
            QByteArray reason;
        } refusals[] = {
            {"ANN", "The nickname \"ANN\" is already in the room. Choose another one and connect again."},
            {" ann ", "The nickname \" ann \" is already in the room. Choose another one and connect again."},
            {"Ann\xA0", "The nickname \"Ann\xA0\" is already in the room. Choose another one and connect again."},
            {"   ", "A nickname is needed to join the room."},
            {"", "A nickname is needed to join the room."},
            {"Ann\r\nBob", "A nickname cannot hold control characters such as tabs or line breaks."},
            {"\x1b[31mEvil", "A nickname cannot hold control characters such as tabs or line breaks."},
            {longest + "x", "A nickname can have at most 64 characters."},
            {"server", "The nickname \"Server\" is reserved for the server."},
        };
        for (const auto &r : refusals) {
            auto impostor = join(r.nickname);
            QVERIFY2(impostor, r.nickname.constData());
            QCOMPARE(impostor->frames, QList<QByteArray>{serverSays(r.reason)});
            QVERIFY(QTest::qWaitFor([&] { return !connected(*impostor); }, 5000));
        }
        auto longName = join(longest);
        QVERIFY(longName);
        QCOMPARE(longName->frames.first(), "LST\x02" "Ann\r\n" + longest + "\r\n");
        // Ann saw only the one join; her messages are still hers alone.
        ann->send("MSG\x02" "Ann\x02hi\x04");
        QVERIFY(ann->waitFrames(3));
        QCOMPARE(ann->frames, QList<QByteArray>({"LST\x02" "Ann\r\n", "ENT\x02" + longest, "MSG\x02" "Ann\x02hi"}));

        const QString text = log();
        QVERIFY(text.contains(QLatin1String("refused as \"\\x1b[31mEvil\"")));
        QVERIFY(text.contains(QLatin1String("refused as \"Ann\\x0d\\x0aBob\"")));
        QVERIFY(!text.contains(QChar(0x1b)) && !text.contains(QChar(u'\r')));
    }

    // Message text is relayed without control characters, so nobody can draw a line of their own.
    void forgedLines()
    {
        auto ann = join("Ann");
        auto eve = join("Eve");
        QVERIFY(ann && eve);
        eve->send("MSG\x02" "Eve\x02ok\r\nAnn: my password is 123\r\n\x1b[2J\x7f\x81\x04");
        QVERIFY(ann->waitFrames(3));
        QCOMPARE(ann->frames.last(), QByteArray("MSG\x02" "Eve\x02ok  Ann: my password is 123   [2J  "));
    }

    // Frames that break the rules are dropped; the client stays connected. A client that never
    // ends a frame is disconnected, and the others go on.
    void badClients()
    {
        auto ann = join("Ann");
        QVERIFY(ann);
        Client stranger(port);
        QVERIFY(stranger.waitConnected());
        stranger.send("MSG\x02x\x02not joined\x04");
        auto eve = join("Eve");
        QVERIFY(eve);
        eve->send("msg\x02x\x02y\x04MSG\x04MSG\x02only\x04CON\x02again\x04XYZ\x04\x04");
        eve->send("MSG\x02" "Eve\x02ok\x04");
        QVERIFY(ann->waitFrames(3));
        QCOMPARE(ann->frames.mid(1), QList<QByteArray>({"ENT\x02" "Eve", "MSG\x02" "Eve\x02ok"}));
        QVERIFY(stranger.frames.isEmpty());

        const QByteArray flood(16 * 1024, 'x');
        for (int i = 0; i < 8 && connected(*eve); ++i) {
            eve->send(flood);
            QTest::qWait(20);
        }
        QVERIFY(QTest::qWaitFor([&] { return !connected(*eve); }, 5000));
        QVERIFY(ann->waitFrames(4));
        QCOMPARE(ann->frames.last(), QByteArray("LEA\x02" "Eve"));
        ann->send("MSG\x02" "Ann\x02still here\x04");
        QVERIFY(ann->waitFrames(5));
        QVERIFY(log().contains(QLatin1String("dropped a malformed")));
        QVERIFY(log().contains(QLatin1String("without ending a frame")));
    }

    // One client's burst of 1.2 MB of tiny messages is slowed down to its rate; the readers all
    // stay, get its messages in order, and a message of another gets through meanwhile.
    void aBurstSlowsTheSenderOnly()
    {
        auto loud = join("Loud");
        std::unique_ptr<Client> readers[] = {join("R1"), join("R2"), join("R3")};
        for (auto &r : readers)
            QVERIFY(r);
        QByteArray burst;
        for (int i = 0; burst.size() < 1200 * 1000; ++i)
            burst += "MSG\x02" "Loud\x02" + QByteArray::number(i) + '\x04';
        loud->send(burst);
        QTest::qWait(1500);
        readers[0]->send("MSG\x02" "R1\x02" "calm\x04");
        const QByteArray calm("MSG\x02" "R1\x02" "calm");
        for (auto &r : readers)
            QVERIFY(QTest::qWaitFor([&] { return r->frames.contains(calm); }, 5000));
        for (auto &r : readers) {
            QVERIFY(connected(*r));
            int next = 0;
            for (const QByteArray &frame : r->frames)
                if (frame.startsWith("MSG\x02" "Loud\x02"))
                    QCOMPARE(frame, "MSG\x02" "Loud\x02" + QByteArray::number(next++));
            QVERIFY2(next >= 40 && next < 1000, qPrintable(QString::number(next)));
        }
        QVERIFY(connected(*loud));
        QVERIFY(!log().contains(QLatin1String("does not read")));
    }

    // With small limits in this process: a member that stops reading holds the senders back until
    // it is dropped, and nobody else is; a full room refuses the next joiner without announcing it.
    void stalledMemberAndFullRoom()
    {
        ChatRoom::Limits limits;
        limits.highWater = 4 * 1024;
        limits.stallTimeMs = 600;
        limits.maxMembers = 3;
        limits.framesPerSecond = 1000;
        limits.frameBurst = 1000;
        ChatRoom room(limits);
        QVERIFY(room.listen(QHostAddress::LocalHost, 0));
        auto ann = join("Ann", room.port());
        QVERIFY(ann);
        QTcpSocket deaf; // reads nothing
        deaf.setReadBufferSize(1);
        deaf.connectToHost(QHostAddress::LocalHost, room.port());
        QVERIFY(deaf.waitForConnected(5000));
        deaf.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        deaf.write("CON\x02" "Deaf\x04");
        QVERIFY(ann->waitFrames(2));
        auto cy = join("Cy", room.port());
        QVERIFY(cy);
        auto full = join("Dan", room.port());
        QVERIFY(full);
        QCOMPARE(full->frames, QList<QByteArray>{serverSays("The room is full. Try again later.")});

        const QByteArray line = "MSG\x02" "Ann\x02" + QByteArray(1000, 'a') + '\x04';
        for (int i = 0; i < 400; ++i)
            ann->send(line);
        QVERIFY(QTest::qWaitFor([&] { return cy->frames.contains("LEA\x02" "Deaf"); }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return cy->frames.count(line.chopped(1)) == 400; }, 10000));
        QVERIFY(connected(*ann) && connected(*cy));
        QCOMPARE(cy->frames.first(), QByteArray("LST\x02" "Ann\r\nDeaf\r\nCy\r\n"));
        QVERIFY(!cy->frames.contains("ENT\x02" "Dan"));
    }

    void commandLine()
    {
        int code = 0;
        QByteArray out, err;
        QCOMPARE(run({QStringLiteral("--help")}, code, out, err), QProcess::NormalExit);
        QCOMPARE(code, 0);
        QVERIFY(out.contains("--port") && out.contains("--version"));
        run({QStringLiteral("--version")}, code, out, err);
        QCOMPARE(code, 0);
        QCOMPARE(out.trimmed(), QByteArray("livehelp-server 1.01"));
        QProcess full; // an answer that cannot be written is a failure
        full.setStandardOutputFile(QStringLiteral("/dev/full"));
        full.start(QStringLiteral(DS_BUILD_DIR "/livehelp-server"), {QStringLiteral("--help")});
        QVERIFY(full.waitForFinished(5000));
        QCOMPARE(full.exitCode(), 1);
        QVERIFY(full.readAllStandardError().startsWith("livehelp-server: the output cannot be written"));
        for (const QStringList &bad : {QStringList{QStringLiteral("--listen"), QStringLiteral("not-an-address")},
                                       QStringList{QStringLiteral("--port"), QStringLiteral("70000")},
                                       QStringList{QStringLiteral("--bogus")}, QStringList{QStringLiteral("extra")}}) {
            run(bad, code, out, err);
            QCOMPARE(code, 2);
            QVERIFY(out.isEmpty());
            QVERIFY(err.startsWith("livehelp-server: "));
        }
    }
};

QTEST_GUILESS_MAIN(TestLiveHelpServer)
#include "test_server.moc"
