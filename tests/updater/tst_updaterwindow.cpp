// The Updater window against real loopback HTTP servers: the database download with its
// progress, the install, every way a download can fail, and the server-address download.
#include "app/appfolder.h"
#include "app/forms.h"
#include "tests/support/testsupport.h"
#include "tests/updater/loopbackhttp.h"
#include "windows/livehelp/form2.h"
#include "windows/livehelp/serveripfile.h"
#include "windows/main/driverlookup.h"
#include "windows/updater/installeddatabase.h"
#include "windows/updater/updateaddresses.h"
#include "windows/updater/updater.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace updatertest;

Q_DECLARE_METATYPE(updatertest::RawReply)

namespace {
const QString kInstalledMessage = QStringLiteral(
    "Updated database downloaded and installed! Please restart the program  for updates to take affect.");
const QString kAddressInstalledMessage = QStringLiteral(
    "Updated Server IP downloaded and installed! Please restart the program  for updates to take affect.");
const QStringList kOldRow{QStringLiteral("Old Card"), QStringLiteral("Windows XP"), QStringLiteral("x86"),
                          QStringLiteral("http://drivers.example/old")};
const QStringList kNewRow{QStringLiteral("ACME Turbo 9000"), QStringLiteral("Windows XP"), QStringLiteral("x86"),
                          QStringLiteral("http://drivers.example/acme9000")};
constexpr int kWait = 30000;
} // namespace

class UpdaterWindowTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testsupport::TemporaryApplicationFolder> folder_;
    std::unique_ptr<testsupport::RecordingMessageBoxes> boxes_;
    std::unique_ptr<RawHttpServer> server_;
    std::unique_ptr<EnvironmentOverride> databaseUrl_;
    QByteArray oldDatabase_;
    Updater *window_ = nullptr;

    QString file(const char *name) const { return folder_->file(QString::fromLatin1(name)); }

    // Opens the window with the old database installed; downloads come from the raw server.
    void openWindow()
    {
        window_ = app::Forms::show<Updater>();
        QVERIFY(window_);
    }

    void waitForOneBox()
    {
        QTRY_COMPARE_WITH_TIMEOUT(boxes_->shown.size(), 1, kWait);
        QTest::qWait(50); // nothing further may follow
        QCOMPARE(boxes_->shown.size(), 1);
    }

    // The installed database is the old one and nothing of the failed download is left.
    void verifyInstalledUntouched()
    {
        QCOMPARE(fileBytes(file("DriverData.mdb")), oldDatabase_);
        QCOMPARE(QDir(folder_->path()).entryList(QDir::Files), QStringList{QStringLiteral("DriverData.mdb")});
    }

private slots:
    void init()
    {
        folder_ = std::make_unique<testsupport::TemporaryApplicationFolder>();
        boxes_ = std::make_unique<testsupport::RecordingMessageBoxes>();
        server_ = std::make_unique<RawHttpServer>();
        databaseUrl_ = std::make_unique<EnvironmentOverride>(
            kDatabaseUrlVariable, server_->url(QStringLiteral("DriverData.mdb")).toEncoded());
        oldDatabase_ = driverDatabaseBytes({kOldRow});
        writeFileBytes(file("DriverData.mdb"), oldDatabase_);
    }

    void cleanup()
    {
        if (auto *window = app::Forms::loaded<Updater>())
            app::Forms::unload(window);
        QTest::qWait(20); // lets the unloaded window go
        databaseUrl_.reset();
        server_.reset();
        boxes_.reset();
        folder_.reset();
    }

    void showsCaptionsAndInstalledDatabase()
    {
        openWindow();
        QCOMPARE(window_->windowTitle(), QStringLiteral("Torvane Driver Updater - Updater"));
        QCOMPARE(window_->Command1->text(), QStringLiteral("Click here to download the database. "));
        QCOMPARE(window_->Command3->text(), QStringLiteral("Click here to download the  newer Server IP address"));
        QCOMPARE(window_->Label2->text(), QStringLiteral("Date  of  current definition database:"));
        QCOMPARE(window_->Label6->text(), QStringLiteral("Size of  current definition database:"));
        QCOMPARE(window_->mnuClose->text(), QStringLiteral("Close Updater"));
        QCOMPARE(window_->Label10->text(), formatKilobytes(oldDatabase_.size()));
        QVERIFY(!window_->Label9->text().isEmpty());
        QCOMPARE(window_->ProgressBar1->maximum(), 100);

        window_->mnuClose->trigger();
        QVERIFY(!app::Forms::loaded<Updater>());
        QFile::remove(file("DriverData.mdb"));
        openWindow();
        QCOMPARE(window_->Label9->text(), QStringLiteral("not installed"));
        window_->close();
        QVERIFY(!app::Forms::loaded<Updater>());
    }

    // 3,000,000 bytes in 8,192-byte pieces: the bar follows every piece up to the end; the body
    // is no database, so nothing is installed, the download is removed and the bar emptied.
    void progressFollowsChunksAndNonDatabaseIsRefused()
    {
        const QByteArray body = patternBytes(3000000);
        server_->queue(piecewiseReply(body, 8192, 2));
        writeFileBytes(file("DatabaseMain1.mdb"), QByteArray(5000000, 'T'));
        openWindow();
        QList<std::pair<int, int>> shown; // value, maximum
        connect(window_->ProgressBar1, &QProgressBar::valueChanged, this,
                [&](int value) { shown.append({value, window_->ProgressBar1->maximum()}); });
        QTest::mouseClick(window_->Command1, Qt::LeftButton);
        waitForOneBox();

        QVERIFY2(boxes_->shown.first().text.startsWith(QLatin1String("The downloaded file is not a usable driver database: ")),
                 qPrintable(boxes_->shown.first().text));
        QVERIFY(window_->Text1->toPlainText().contains(QLatin1String("Content-Length: 3000000")));
        QVERIFY2(shown.size() > 50, qPrintable(QString::number(shown.size())));
        QCOMPARE(shown.takeLast(), (std::pair{0, 100}));
        QCOMPARE(shown.last(), (std::pair{3000000, 3000000}));
        QVERIFY(std::is_sorted(shown.begin(), shown.end()));
        for (const auto &[value, maximum] : std::as_const(shown))
            QVERIFY2(maximum == 3000000 && (value % 8192 == 0 || value == 3000000), qPrintable(QString::number(value)));
        verifyInstalledUntouched();
    }

    void failuresLeaveInstalledDatabase_data()
    {
        QTest::addColumn<RawReply>("reply");
        QTest::addColumn<QString>("expected");
        QTest::newRow("404 with a short page")
            << simpleReply("404 Not Found", {"Content-Type: text/html", "Content-Length: 22"}, "<html>Not found</html>")
            << QStringLiteral("The database could not be downloaded: the update server answered 404 Not Found. "
                              "The installed database was kept.");
        RawReply dropped = piecewiseReply(patternBytes(100000), 8192, 2);
        dropped.pieces.resize(6);
        dropped.dropAtEnd = true;
        QTest::newRow("connection dropped mid-body")
            << dropped << QStringLiteral("The database could not be downloaded: the transfer broke off after ");
        RawReply stalled = piecewiseReply(patternBytes(100000), 8192, 2);
        stalled.pieces.resize(3);
        stalled.pieces.append({"", 0});
        QTest::newRow("closed before the announced length")
            << stalled << QStringLiteral("The database could not be downloaded: the transfer broke off after 16384 of 100000 bytes");
    }
    void failuresLeaveInstalledDatabase()
    {
        QFETCH(RawReply, reply);
        QFETCH(QString, expected);
        server_->queue(reply);
        openWindow();
        window_->Command1_Click();
        waitForOneBox();
        const app::MessageBoxRequest box = boxes_->shown.first();
        QVERIFY2(box.text.startsWith(expected), qPrintable(box.text));
        QVERIFY(box.text.endsWith(QLatin1String("The installed database was kept.")));
        QVERIFY(!box.text.contains(QLatin1String("after ")) || box.text.contains(QLatin1String(" of 100000 bytes")));
        QCOMPARE(box.icon, app::MessageIcon::Exclamation);
        verifyInstalledUntouched();
        QCOMPARE(window_->Label10->text(), formatKilobytes(oldDatabase_.size()));
    }

    // A chunked reply has no length: the bar is a busy indicator until the end; then the valid
    // database is installed (no tail of a longer download left by a killed copy survives), the
    // old one kept as the backup, and the next lookup finds the new row.
    void chunkedValidDatabaseIsInstalledAndFound()
    {
        const QByteArray fresh = driverDatabaseBytes({kOldRow, kNewRow});
        server_->queue(chunkedReply(fresh, 4000));
        writeFileBytes(file("DatabaseMain1.mdb"), QByteArray(5000000, 'T'));
        openWindow();
        QList<int> maxima; // sampled while the download runs
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] { maxima.append(window_->ProgressBar1->maximum()); });
        sampler.start(1);
        window_->Command1_Click();
        waitForOneBox();
        sampler.stop();
        QCOMPARE(boxes_->texts(), QStringList{kInstalledMessage});
        QCOMPARE(boxes_->shown.first().icon, app::MessageIcon::None);
        QVERIFY(maxima.contains(0));
        QCOMPARE(window_->ProgressBar1->maximum(), int(fresh.size()));
        QCOMPARE(window_->ProgressBar1->value(), int(fresh.size()));
        QCOMPARE(fileBytes(file("DriverData.mdb")), fresh);
        QCOMPARE(fileBytes(file("DriverData.backup")), oldDatabase_);
        QCOMPARE(window_->Label10->text(), formatKilobytes(fresh.size()));
        QCOMPARE(findDriverLink(file("DriverData.mdb"), kNewRow[0], kNewRow[1], kNewRow[2]), kNewRow[3]);
    }

    // A second press abandons the running download: only the second one's outcome is shown and
    // its file holds exactly its bytes.
    void secondPressReplacesRunningDownload()
    {
        const QByteArray fresh = driverDatabaseBytes({kNewRow});
        server_->queue(piecewiseReply(patternBytes(2000000), 8192, 20));
        server_->queue(piecewiseReply(fresh, 8192, 2));
        openWindow();
        window_->Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(file("DatabaseMain1.mdb")).size() > 0, kWait);
        window_->Command1_Click();
        waitForOneBox();
        QCOMPARE(boxes_->texts(), QStringList{kInstalledMessage});
        QCOMPARE(server_->requestCount(), 2);
        QCOMPARE(fileBytes(file("DriverData.mdb")), fresh);
        QTest::qWait(300); // the first server still writes; nothing of it may reach the window
        QCOMPARE(boxes_->shown.size(), 1);
    }

    // A redirect on the same scheme is followed; only the final response reaches the window.
    void redirectIsFollowed()
    {
        const QByteArray fresh = driverDatabaseBytes({kNewRow});
        server_->queue(simpleReply("302 Found", {"Location: /mirror/DriverData.mdb", "Content-Length: 5"}, "moved"));
        server_->queue(piecewiseReply(fresh, 8192, 1));
        openWindow();
        window_->Command1_Click();
        waitForOneBox();
        QCOMPARE(boxes_->texts(), QStringList{kInstalledMessage});
        QVERIFY(!window_->Text1->toPlainText().contains(QLatin1String("Location")));
        QCOMPARE(fileBytes(file("DriverData.mdb")), fresh);
    }

    // The same through Python's http.server: a plain static-file server.
    void pythonServerDeliversDatabase()
    {
        PythonHttpServer python;
        QVERIFY(python.start());
        const QByteArray fresh = driverDatabaseBytes({kOldRow, kNewRow});
        writeFileBytes(python.folder() + QStringLiteral("/DriverData.mdb"), fresh);
        EnvironmentOverride url(kDatabaseUrlVariable, python.url(QStringLiteral("DriverData.mdb")).toEncoded());
        openWindow();
        window_->Command1_Click();
        waitForOneBox();
        QCOMPARE(boxes_->texts(), QStringList{kInstalledMessage});
        QCOMPARE(fileBytes(file("DriverData.mdb")), fresh);
        QCOMPARE(findDriverLink(file("DriverData.mdb"), kNewRow[0], kNewRow[1], kNewRow[2]), kNewRow[3]);

        EnvironmentOverride missing(kDatabaseUrlVariable, python.url(QStringLiteral("missing.mdb")).toEncoded());
        boxes_->shown.clear();
        window_->Command1_Click();
        waitForOneBox();
        QVERIFY(boxes_->shown.first().text.contains(QLatin1String("answered 404")));
        QCOMPARE(fileBytes(file("DriverData.mdb")), fresh);
    }

    void transportFailureIsReported()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        EnvironmentOverride url(kDatabaseUrlVariable, QByteArray("http://127.0.0.1:") + QByteArray::number(port) + "/DriverData.mdb");
        openWindow();
        window_->Command1_Click();
        waitForOneBox();
        QVERIFY2(boxes_->shown.first().text.contains(QLatin1String("refused")), qPrintable(boxes_->shown.first().text));
        verifyInstalledUntouched();
    }

    // The bar does not keep what a failed download showed: after a complete download a 404,
    // and a chunked download that breaks off (busy indicator), leave it empty.
    void progressBarIsResetOnFailure()
    {
        const QByteArray fresh = driverDatabaseBytes({kNewRow});
        server_->queue(piecewiseReply(fresh, 8192, 1));
        server_->queue(simpleReply("404 Not Found", {"Content-Length: 9"}, "not found"));
        RawReply broken = chunkedReply(patternBytes(100000), 4000);
        broken.pieces.resize(5);
        broken.dropAtEnd = true;
        server_->queue(broken);
        openWindow();
        window_->Command1_Click();
        waitForOneBox();
        QCOMPARE(window_->ProgressBar1->value(), window_->ProgressBar1->maximum());
        for (int failure = 0; failure < 2; ++failure) {
            boxes_->shown.clear();
            window_->Command1_Click();
            waitForOneBox();
            QCOMPARE(boxes_->shown.first().icon, app::MessageIcon::Exclamation);
            QCOMPARE(window_->ProgressBar1->maximum(), 100);
            QCOMPARE(window_->ProgressBar1->value(), 0);
        }
        QCOMPARE(server_->requestCount(), 3);
    }

    void serverAddressIsStoredForLiveHelp()
    {
        EnvironmentOverride url(kServerAddressUrlVariable, server_->url(QStringLiteral("ServerIP.txt")).toEncoded());
        server_->queue(simpleReply("200 OK", {"Content-Length: 10"}, "10.0.0.7\r\n"));
        server_->queue(simpleReply("404 Not Found", {"Content-Length: 9"}, "not found"));
        openWindow();
        window_->Command3_Click();
        waitForOneBox();
        QCOMPARE(boxes_->texts(), QStringList{kAddressInstalledMessage});
        QCOMPARE(readServerAddress(file("ServerIP.txt")), QStringLiteral("10.0.0.7"));
        QCOMPARE(window_->ProgressBar1->value(), 10);

        boxes_->shown.clear();
        window_->Command3_Click();
        waitForOneBox();
        QVERIFY2(boxes_->shown.first().text.contains(QLatin1String("404")), qPrintable(boxes_->shown.first().text));
        QCOMPARE(readServerAddress(file("ServerIP.txt")), QStringLiteral("10.0.0.7"));
        QCOMPARE(window_->ProgressBar1->value(), 0);
    }

    // An address with a port, or a name too long for one, is no server address: nothing is stored.
    void addressesThatCannotWorkAreRefused()
    {
        EnvironmentOverride url(kServerAddressUrlVariable, server_->url(QStringLiteral("ServerIP.txt")).toEncoded());
        writeServerAddress(file("ServerIP.txt"), QStringLiteral("10.0.0.7"));
        openWindow();
        for (const QByteArray &answer : {QByteArray("127.0.0.1:1234\r\n"), QByteArray(3667, 'a')}) {
            server_->queue(simpleReply("200 OK", {"Content-Length: " + QByteArray::number(answer.size())}, answer));
            boxes_->shown.clear();
            window_->Command3_Click();
            waitForOneBox();
            QCOMPARE(boxes_->texts(), QStringList{QStringLiteral("The server address could not be downloaded: the downloaded "
                                                                 "file does not hold a server address. The stored address was kept.")});
            QCOMPARE(readServerAddress(file("ServerIP.txt")), QStringLiteral("10.0.0.7"));
        }
    }

    // With the Live Help window open, the new address goes into its server box too, so closing
    // the window (which writes the box back) keeps it.
    void addressSurvivesOpenLiveHelp()
    {
        EnvironmentOverride url(kServerAddressUrlVariable, server_->url(QStringLiteral("ServerIP.txt")).toEncoded());
        writeServerAddress(file("ServerIP.txt"), QStringLiteral("old.example"));
        server_->queue(simpleReply("200 OK", {"Content-Length: 10"}, "10.0.0.7\r\n"));
        Form2 *liveHelp = app::Forms::show<Form2>();
        QVERIFY(liveHelp);
        QCOMPARE(liveHelp->txtServer->text(), QStringLiteral("old.example"));
        openWindow();
        window_->Command3_Click();
        waitForOneBox();
        QCOMPARE(boxes_->texts(), QStringList{kAddressInstalledMessage});
        QCOMPARE(liveHelp->txtServer->text(), QStringLiteral("10.0.0.7"));
        app::Forms::unload(liveHelp);
        QCOMPARE(readServerAddress(file("ServerIP.txt")), QStringLiteral("10.0.0.7"));
    }
};

QTEST_MAIN(UpdaterWindowTest)
#include "tst_updaterwindow.moc"
