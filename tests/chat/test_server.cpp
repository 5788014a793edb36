// The reference chat server with several real clients on loopback.
#include "chat/protocol.h"
#include "tests/chat/chattesthelpers.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using chattest::Client;

class TestLiveHelpServer : public QObject {
    Q_OBJECT

    QProcess server;
    QString serverLog;
    quint16 port = 0;

    std::unique_ptr<Client> join(const QByteArray &nickname)
    {
        auto client = std::make_unique<Client>(port);
        if (!client->waitConnected())
            return nullptr;
        client->send("CON\x02" + nickname + "\x04");
        if (!client->waitFrames(1))
            return nullptr;
        return client;
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
            serverLog += QString::fromLatin1(server.readAllStandardError());
            match = QRegularExpression(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)")).match(serverLog);
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

    // Frames that break the rules are dropped; the client stays connected. A client that never
    // ends a frame is disconnected, and the others go on.
    void badClients()
    {
        auto ann = join("Ann");
        QVERIFY(ann);
        Client stranger(port);
        QVERIFY(stranger.waitConnected());
        stranger.send("MSG\x02x\x02not joined\x04");
        auto eve = join("Eve\r\nMallory");
        QVERIFY(eve);
        QCOMPARE(eve->frames.first(), QByteArray("LST\x02" "Ann\r\nEve  Mallory\r\n"));
        eve->send("msg\x02x\x02y\x04MSG\x04MSG\x02only\x04CON\x02again\x04XYZ\x04\x04");
        eve->send("MSG\x02" "Eve\x02ok\x04");
        QVERIFY(ann->waitFrames(3));
        QCOMPARE(ann->frames.mid(1), QList<QByteArray>({"ENT\x02" "Eve  Mallory", "MSG\x02" "Eve  Mallory\x02ok"}));
        QVERIFY(stranger.frames.isEmpty());

        const QByteArray flood(16 * 1024, 'x');
        for (int i = 0; i < 8 && eve->socket.state() == QAbstractSocket::ConnectedState; ++i) {
            eve->send(flood);
            QTest::qWait(20);
        }
        QVERIFY(QTest::qWaitFor([&] { return eve->socket.state() == QAbstractSocket::UnconnectedState; }, 5000));
        QVERIFY(ann->waitFrames(4));
        QCOMPARE(ann->frames.last(), QByteArray("LEA\x02" "Eve  Mallory"));
        ann->send("MSG\x02" "Ann\x02still here\x04");
        QVERIFY(ann->waitFrames(5));
        const QString log = serverLog + QString::fromLatin1(server.readAllStandardError());
        QVERIFY(log.contains(QLatin1String("dropped a malformed")));
        QVERIFY(log.contains(QLatin1String("without ending a frame")));
    }

    void refusesBadOptions()
    {
        QProcess bad;
        bad.start(QStringLiteral(DS_BUILD_DIR "/livehelp-server"), {QStringLiteral("--listen"), QStringLiteral("not-an-address")});
        QVERIFY(bad.waitForFinished(5000));
        QCOMPARE(bad.exitCode(), 2);
    }
};

QTEST_GUILESS_MAIN(TestLiveHelpServer)
#include "test_server.moc"
