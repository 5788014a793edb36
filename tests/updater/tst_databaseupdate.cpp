// The database download and install on their own, against loopback HTTP servers: two copies of
// the program on one folder, failures after a redirect with short time-outs, compressed bodies,
// and a full disk.
#include "app/failures.h"
#include "platform/jet/jetdatabase.h"
#include "tests/updater/loopbackhttp.h"
#include "windows/updater/databaseupdate.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

using namespace updatertest;
using namespace std::chrono_literals;

namespace {

const char *const kCopyOption = "--updater-copy";
const QStringList kOldRow{QStringLiteral("Old Card"), QStringLiteral("Windows XP"), QStringLiteral("x86"),
                          QStringLiteral("http://drivers.example/old")};
const QStringList kNewRow{QStringLiteral("ACME Turbo 9000"), QStringLiteral("Windows XP"), QStringLiteral("x86"),
                          QStringLiteral("http://drivers.example/acme9000")};
constexpr platform::http::Timeouts kShortTimeouts{1500ms, 1000ms};

DatabaseFiles filesIn(const QString &folder)
{
    return DatabaseFiles::inFolder(folder);
}

struct Outcome {
    bool done = false;
    bool installed = false;
    QString text;
};

// Runs one download to its end.
Outcome runUpdate(DatabaseUpdate &update, const QUrl &url)
{
    Outcome outcome;
    QObject context;
    QObject::connect(&update, &DatabaseUpdate::installed, &context, [&] { outcome = {true, true, {}}; });
    QObject::connect(&update, &DatabaseUpdate::failed, &context,
                     [&](const QString &text) { outcome = {true, false, text}; });
    update.start(url);
    static_cast<void>(QTest::qWaitFor([&] { return outcome.done; }, 60000)); // outcome.done tells
    return outcome;
}

// Another copy of the program: one download into the folder, its outcome on standard output.
int runCopy(const QString &url, const QString &folder)
{
    DatabaseUpdate update(filesIn(folder));
    const Outcome outcome = runUpdate(update, QUrl(url));
    std::printf("%s\n", qPrintable(!outcome.done ? QStringLiteral("no outcome")
                                   : outcome.installed ? QStringLiteral("installed")
                                                       : outcome.text));
    return 0;
}

// A folder on a small file system of its own (a tmpfs mounted when the test may mount one).
class SmallFileSystem {
public:
    explicit SmallFileSystem(const QByteArray &size)
    {
#ifdef Q_OS_LINUX
        mounted_ = dir_.isValid()
                && ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                           ("size=" + size).constData())
                       == 0;
#endif
    }
    ~SmallFileSystem()
    {
#ifdef Q_OS_LINUX
        if (mounted_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
#endif
    }
    bool mounted() const { return mounted_; }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

qint64 freeBytes(const QString &folder)
{
    return QStorageInfo(folder).bytesAvailable();
}

} // namespace

class DatabaseUpdateTest : public QObject {
    Q_OBJECT
private slots:
    // Copy A downloads slowly; copy B, another process on the same folder, is told that A is
    // updating and writes nothing. A's transfer then breaks off: the installed database is the
    // old one, whole, and A's partial download is gone. Afterwards B's download goes through.
    void twoCopiesOnOneFolderTakeTurns()
    {
        QTemporaryDir folder;
        const DatabaseFiles files = filesIn(folder.path());
        const QByteArray oldDatabase = driverDatabaseBytes({kOldRow});
        const QByteArray fresh = driverDatabaseBytes({kOldRow, kNewRow});
        writeFileBytes(files.installed, oldDatabase);

        RawHttpServer slow;
        RawReply broken = piecewiseReply(patternBytes(2000000), 8192, 30);
        broken.pieces.resize(150); // about 4.5 s, then the connection drops
        broken.dropAtEnd = true;
        slow.queue(broken);
        RawHttpServer fast;
        fast.queue(piecewiseReply(fresh, 8192, 0));

        DatabaseUpdate copyA(filesIn(folder.path()));
        Outcome outcomeA;
        connect(&copyA, &DatabaseUpdate::installed, this, [&] { outcomeA = {true, true, {}}; });
        connect(&copyA, &DatabaseUpdate::failed, this, [&](const QString &text) { outcomeA = {true, false, text}; });
        copyA.start(slow.url(QStringLiteral("DriverData.mdb")));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(files.download).size() > 0, 20000);

        QProcess copyB;
        copyB.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(kCopyOption), fast.url(QStringLiteral("DriverData.mdb")).toString(), folder.path()});
        QVERIFY(copyB.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return copyB.state() == QProcess::NotRunning; }, 30000));
        QVERIFY2(!outcomeA.done, "copy A ended before copy B ran: the machine is too slow for this test");
        const QString answerB = QString::fromLocal8Bit(copyB.readAllStandardOutput()).trimmed();
        QVERIFY2(answerB.startsWith(QLatin1String("The database could not be downloaded: another copy of the program is "
                                                  "updating the database in the folder ")),
                 qPrintable(answerB));
        QVERIFY(answerB.endsWith(QLatin1String("The installed database was kept.")));
        QCOMPARE(fast.requestCount(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(outcomeA.done, 30000);
        QVERIFY2(outcomeA.text.startsWith(QLatin1String("The database could not be downloaded: the transfer broke off")),
                 qPrintable(outcomeA.text));
        QCOMPARE(fileBytes(files.installed), oldDatabase);
        QVERIFY(!QFile::exists(files.download));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("DriverData.mdb")});

        DatabaseUpdate copyBAgain(filesIn(folder.path()));
        const Outcome outcomeB = runUpdate(copyBAgain, fast.url(QStringLiteral("DriverData.mdb")));
        QVERIFY2(outcomeB.installed, qPrintable(outcomeB.text));
        QCOMPARE(fileBytes(files.installed), fresh);
        QCOMPARE(fileBytes(files.backup), oldDatabase);
        platform::jet::checkDriverDatabase(files.installed);
    }

    // Every request of a redirect chain has the same time-outs, and a failure names the request
    // that failed, never the redirect before it.
    void failuresAfterARedirect()
    {
        QTemporaryDir folder;
        const DatabaseFiles files = filesIn(folder.path());
        writeFileBytes(files.installed, "installed");
        auto failureAfterRedirect = [&](const QByteArray &location, qint64 *elapsedMs = nullptr) {
            RawHttpServer server;
            server.queue(simpleReply("302 Found", {"Location: " + location, "Content-Length: 0"}, ""));
            DatabaseUpdate update(files, kShortTimeouts);
            QElapsedTimer clock;
            clock.start();
            const Outcome outcome = runUpdate(update, server.url(QStringLiteral("DriverData.mdb")));
            if (elapsedMs)
                *elapsedMs = clock.elapsed();
            return outcome.text;
        };
        auto verifyFailure = [&](const QString &text, const QString &expected, const QByteArray &at) {
            QVERIFY2(text.startsWith(QLatin1String("The database could not be downloaded: ")), qPrintable(text));
            QVERIFY2(text.contains(expected), qPrintable(text));
            QVERIFY2(text.contains(QString::fromLatin1(at)), qPrintable(text));
            QVERIFY2(!text.contains(QLatin1String("answered")), qPrintable(text));
            QCOMPARE(fileBytes(files.installed), QByteArray("installed"));
            QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("DriverData.mdb")});
        };

        // A server that takes the request and never answers, and one that closes after a time
        // longer than the time-out: the time-out ends both, the request is sent once.
        for (int closeAfterMs : {60000, 3000}) {
            RawHttpServer silent;
            silent.queue(silentReply(closeAfterMs));
            const QByteArray target = silent.url(QStringLiteral("mirror/DriverData.mdb")).toEncoded();
            qint64 elapsed = 0;
            const QString text = failureAfterRedirect(target, &elapsed);
            verifyFailure(text, QStringLiteral("the server stopped answering (time-out)"), target);
            QVERIFY2(elapsed < 2900, qPrintable(QString::number(elapsed)));
            QCOMPARE(silent.requestCount(), 1);
        }

        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const QByteArray refused = "http://127.0.0.1:" + QByteArray::number(closed.serverPort()) + "/DriverData.mdb";
        closed.close();
        verifyFailure(failureAfterRedirect(refused), QStringLiteral("refused"), refused);

        // https to a server that answers in plain text: the secure connection fails.
        RawHttpServer plain;
        plain.queue({{{"HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n", 0}}, false, true});
        const QByteArray tlsTarget = "https://127.0.0.1:" + QByteArray::number(plain.url({}).port()) + "/DriverData.mdb";
        verifyFailure(failureAfterRedirect(tlsTarget), QStringLiteral("SSL"), tlsTarget);

        // https to a server that never starts the secure connection: the connect time-out ends it.
        RawHttpServer mute;
        mute.queue(silentReply(60000));
        const QByteArray muteTarget = "https://127.0.0.1:" + QByteArray::number(mute.url({}).port()) + "/DriverData.mdb";
        qint64 elapsed = 0;
        verifyFailure(failureAfterRedirect(muteTarget, &elapsed), QStringLiteral("could not be reached in time"), muteTarget);
        QVERIFY2(elapsed < 3400, qPrintable(QString::number(elapsed)));

        verifyFailure(failureAfterRedirect("ftp://127.0.0.1/DriverData.mdb"),
                      QStringLiteral("which is not followed"), "ftp://127.0.0.1/DriverData.mdb");
        verifyFailure(failureAfterRedirect("/DriverData.mdb"), QStringLiteral("redirected the request more than 10 times"),
                      "/DriverData.mdb");
    }

    // The body is asked for unencoded; one sent compressed anyway (a gzip bomb, a broken gzip
    // stream, deflate) is a failed transfer, and nothing of it is written.
    void compressedBodiesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("coding");
        QTest::addColumn<QByteArray>("body");
        QProcess gzip; // 256 MiB of zeros in about 256 KB
        gzip.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("head -c 268435456 /dev/zero | gzip -c")});
        QVERIFY(gzip.waitForFinished(60000));
        const QByteArray bomb = gzip.readAllStandardOutput();
        QVERIFY(bomb.size() > 1000 && bomb.size() < 1000000);
        QTest::newRow("gzip bomb") << QByteArray("gzip") << bomb;
        QTest::newRow("broken gzip") << QByteArray("gzip") << QByteArray("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff") + patternBytes(5000);
        QTest::newRow("deflate") << QByteArray("deflate") << qCompress(driverDatabaseBytes({kNewRow}), 9).mid(4);
    }
    void compressedBodiesAreRefused()
    {
        QFETCH(QByteArray, coding);
        QFETCH(QByteArray, body);
        QTemporaryDir folder;
        const DatabaseFiles files = filesIn(folder.path());
        writeFileBytes(files.installed, "installed");
        RawHttpServer server;
        server.queue(simpleReply("200 OK", {"Content-Encoding: " + coding, "Content-Length: " + QByteArray::number(body.size())},
                                 body));
        DatabaseUpdate update(files);
        const Outcome outcome = runUpdate(update, server.url(QStringLiteral("DriverData.mdb")));
        QCOMPARE(outcome.text, QStringLiteral("The database could not be downloaded: the server sent the file in a "
                                              "compressed form (%1) that was not asked for. The installed database was kept.")
                                   .arg(QString::fromLatin1(coding)));
        QVERIFY(server.requests().first().contains("\r\nAccept-Encoding: identity\r\n"));
        QCOMPARE(fileBytes(files.installed), QByteArray("installed"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("DriverData.mdb")});
    }

    // A full disk says so and how much room the update needs; what was written is removed, so
    // the space is free again. Without a small file system of its own, the download file is
    // pointed at /dev/full, which fails every write as a full disk does.
    void fullDisk()
    {
        SmallFileSystem small("1m");
        const bool injected = !small.mounted();
        if (injected && !QFileInfo(QStringLiteral("/dev/full")).isWritable())
            QSKIP("neither a small file system (mount) nor /dev/full is available here");
        const DatabaseFiles files = filesIn(small.path());
        const QByteArray oldDatabase = driverDatabaseBytes({kOldRow});
        writeFileBytes(files.installed, oldDatabase);
        const QString folderText = QStringLiteral("there is not enough free space in the folder %1 (")
                                       .arg(QDir::toNativeSeparators(small.path()));
        const qint64 freeBefore = freeBytes(small.path());
        const QByteArray body = patternBytes(3 << 20);

        // The length is not announced: the writes fail on the way.
        if (injected)
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), files.download));
        RawHttpServer server;
        server.queue(chunkedReply(body, 64 * 1024));
        DatabaseUpdate update(files);
        Outcome outcome = runUpdate(update, server.url(QStringLiteral("DriverData.mdb")));
        QVERIFY2(outcome.text.startsWith(QLatin1String("The database could not be downloaded: ") + folderText + "at least "),
                 qPrintable(outcome.text));
        QVERIFY(outcome.text.endsWith(QLatin1String(" are needed there); free some space, then try again. "
                                                    "The installed database was kept.")));
        QCOMPARE(fileBytes(files.installed), oldDatabase);
        QVERIFY(!QFileInfo::exists(files.download) && !QFileInfo(files.download).isSymLink());
        if (!injected)
            QCOMPARE(freeBytes(small.path()), freeBefore);

        // The length is announced: refused before anything is written, with the room needed
        // for the download and the backup.
        if (!injected) {
            server.queue(piecewiseReply(body, 64 * 1024, 0));
            outcome = runUpdate(update, server.url(QStringLiteral("DriverData.mdb")));
            const QString needed = QLocale(QLocale::English).formattedDataSize(body.size() + oldDatabase.size(), 1,
                                                                               QLocale::DataSizeTraditionalFormat);
            QCOMPARE(outcome.text, QStringLiteral("The database could not be downloaded: %1%2 are needed there); free some "
                                                  "space, then try again. The installed database was kept.")
                                       .arg(folderText, needed));
            QCOMPARE(QDir(small.path()).entryList(QDir::Files), QStringList{QStringLiteral("DriverData.mdb")});
        }

        // No room for the backup of the installed database: nothing changes.
        writeFileBytes(files.download, oldDatabase);
        const QString backupCopy = files.backup + QStringLiteral(".partial");
        if (injected) {
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), backupCopy));
        } else {
            const qint64 filler = freeBytes(small.path()) - oldDatabase.size() / 2;
            writeFileBytes(small.path() + QStringLiteral("/filler"), QByteArray(filler, 'f'));
        }
        try {
            installDownloadedDatabase(files);
            QFAIL("the install did not fail");
        } catch (const app::Failure &failure) {
            QVERIFY2(failure.text().startsWith(QStringLiteral("The installed database could not be kept as %1: %2")
                                                   .arg(QDir::toNativeSeparators(files.backup), folderText)),
                     qPrintable(failure.text()));
            QVERIFY(failure.text().endsWith(QLatin1String("Nothing was changed.")));
        }
        QCOMPARE(fileBytes(files.installed), oldDatabase);
        QVERIFY(!QFileInfo::exists(backupCopy) && !QFileInfo(backupCopy).isSymLink());
    }
};

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], kCopyOption) == 0)
        return runCopy(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    DatabaseUpdateTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_databaseupdate.moc"
