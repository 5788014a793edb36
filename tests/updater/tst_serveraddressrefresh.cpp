// The Live Help window's server-address refresh against a loopback HTTP server.
#include "tests/support/testsupport.h"
#include "tests/updater/loopbackhttp.h"
#include "windows/updater/serveraddressrefresh.h"
#include "windows/updater/updateaddresses.h"

#include <QLineEdit>
#include <QTest>

using namespace updatertest;

class ServerAddressRefreshTest : public QObject {
    Q_OBJECT
private slots:
    // The first data goes into the box exactly as sent, line break included.
    void addressWithLineBreakIsTakenAsIs()
    {
        testsupport::RecordingMessageBoxes boxes;
        RawHttpServer server;
        server.queue(simpleReply("200 OK", {"Content-Type: text/plain", "Content-Length: 12"}, "192.0.2.15\r\n"));
        EnvironmentOverride url(kServerAddressUrlVariable, server.url(QStringLiteral("ServerIP.txt")).toEncoded());
        QLineEdit txtServer(QStringLiteral("old.example"));
        ServerAddressRefresh refresh;
        refresh.RefreshServerAddress(&txtServer);
        QTRY_COMPARE_WITH_TIMEOUT(txtServer.text(), QStringLiteral("192.0.2.15\r\n"), 20000);
        QTest::qWait(100);
        QVERIFY(boxes.shown.isEmpty());
    }

    void missingFileWarnsOnceAndKeepsAddress()
    {
        testsupport::RecordingMessageBoxes boxes;
        RawHttpServer server;
        server.queue(simpleReply("404 Not Found", {"Content-Length: 21"}, "<html>missing</html>\n"));
        EnvironmentOverride url(kServerAddressUrlVariable, server.url(QStringLiteral("ServerIP.txt")).toEncoded());
        QLineEdit txtServer(QStringLiteral("old.example"));
        ServerAddressRefresh refresh;
        refresh.RefreshServerAddress(&txtServer);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.shown.size(), 1, 20000);
        QTest::qWait(200);
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Remote file not found")});
        QCOMPARE(boxes.shown.first().icon, app::MessageIcon::Exclamation);
        QCOMPARE(boxes.shown.first().title, QString());
        QCOMPARE(txtServer.text(), QStringLiteral("old.example"));
    }

    // The first request answers late; the second click replaced it, so its answer never shows.
    void secondClickReplacesFirst()
    {
        testsupport::RecordingMessageBoxes boxes;
        RawHttpServer server;
        RawReply slow = simpleReply("200 OK", {"Content-Length: 9"}, "first.old");
        slow.pieces.prepend({"", 400});
        server.queue(slow);
        server.queue(simpleReply("200 OK", {"Content-Length: 10"}, "second.new"));
        EnvironmentOverride url(kServerAddressUrlVariable, server.url(QStringLiteral("ServerIP.txt")).toEncoded());
        QLineEdit txtServer(QStringLiteral("old.example"));
        QStringList seen;
        connect(&txtServer, &QLineEdit::textChanged, this, [&seen](const QString &text) { seen.append(text); });
        ServerAddressRefresh refresh;
        refresh.RefreshServerAddress(&txtServer);
        QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(), 1, 20000);
        refresh.RefreshServerAddress(&txtServer);
        QTRY_COMPARE_WITH_TIMEOUT(txtServer.text(), QStringLiteral("second.new"), 20000);
        QTest::qWait(700);
        QCOMPARE(seen, QStringList{QStringLiteral("second.new")});
        QVERIFY(boxes.shown.isEmpty());
    }

    // A refresh that cannot reach the host says so; the box keeps its text.
    void unreachableHostIsReported()
    {
        testsupport::RecordingMessageBoxes boxes;
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        EnvironmentOverride url(kServerAddressUrlVariable,
                                QByteArray("http://127.0.0.1:") + QByteArray::number(port) + "/ServerIP.txt");
        QLineEdit txtServer(QStringLiteral("old.example"));
        ServerAddressRefresh refresh;
        refresh.RefreshServerAddress(&txtServer);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.shown.size(), 1, 20000);
        QVERIFY(boxes.shown.first().text.startsWith(QLatin1String("The newer server address could not be downloaded: ")));
        QCOMPARE(txtServer.text(), QStringLiteral("old.example"));
    }
};

QTEST_MAIN(ServerAddressRefreshTest)
#include "tst_serveraddressrefresh.moc"
