// The Updater's plain logic: the size and date labels, the progress display, the address check
// and the install step.
#include "app/failures.h"
#include "tests/support/testsupport.h"
#include "tests/updater/loopbackhttp.h"
#include "windows/updater/downloadprogress.h"
#include "windows/updater/installeddatabase.h"
#include "windows/updater/serveraddressdownload.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#ifdef Q_OS_LINUX
#include <dlfcn.h>
#include <unistd.h>

// What reaches the disk, in order, while a test watches: every file or folder forced onto the
// disk and every rename, by their names.
namespace {
QStringList *diskLog = nullptr;

QString nameOfDescriptor(int fd)
{
    char target[4096];
    const ssize_t length = ::readlink(QByteArray("/proc/self/fd/" + QByteArray::number(fd)).constData(), target, sizeof target);
    return length < 0 ? QString() : QFileInfo(QFile::decodeName(QByteArray(target, length))).fileName();
}

template<class Function> Function realFunction(const char *name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" int fsync(int fd)
{
    static const auto real = realFunction<int (*)(int)>("fsync");
    if (diskLog)
        diskLog->append(QStringLiteral("sync ") + nameOfDescriptor(fd));
    return real(fd);
}

extern "C" int rename(const char *from, const char *to) noexcept
{
    static const auto real = realFunction<int (*)(const char *, const char *)>("rename");
    if (diskLog)
        diskLog->append(QStringLiteral("rename %1 %2").arg(QFileInfo(QFile::decodeName(from)).fileName(),
                                                           QFileInfo(QFile::decodeName(to)).fileName()));
    return real(from, to);
}
#endif

using namespace updatertest;

class UpdaterLogicTest : public QObject {
    Q_OBJECT
private slots:
    void sizeAndDateLabels()
    {
        QCOMPARE(formatKilobytes(0), QStringLiteral(" KB"));
        QCOMPARE(formatKilobytes(511), QStringLiteral(" KB"));
        QCOMPARE(formatKilobytes(512), QStringLiteral("1 KB"));
        QCOMPARE(formatKilobytes(1048576), QStringLiteral("1,024 KB"));
        QCOMPARE(formatKilobytes(5241856), QStringLiteral("5,119 KB"));
        QCOMPARE(formatKilobytes(qint64(3) << 40), QStringLiteral("3,221,225,472 KB"));

        const QString date = formatGeneralDate(QDateTime(QDate(2026, 3, 4), QTime(13, 5, 9)));
        QVERIFY2(date.contains(QLatin1String("5:09")) && date.contains(QLatin1String("26")), qPrintable(date));
        QVERIFY2(!date.contains(QLatin1String("UTC")), qPrintable(date));

        testsupport::TemporaryApplicationFolder folder;
        const InstalledDatabaseLabels missing = describeInstalledDatabase(folder.file(QStringLiteral("DriverData.mdb")));
        QCOMPARE(missing.date, QStringLiteral("not installed"));
        QCOMPARE(missing.size, QStringLiteral("not installed"));
        writeFileBytes(folder.file(QStringLiteral("DriverData.mdb")), QByteArray(1048576, 'x'));
        QCOMPARE(describeInstalledDatabase(folder.file(QStringLiteral("DriverData.mdb"))).size, QStringLiteral("1,024 KB"));
    }

    void progressDisplay_data()
    {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("announced"); // -1: none
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("maximum");
        QTest::newRow("following") << qint64(8192) << qint64(3000000) << 8192 << 3000000;
        QTest::newRow("no length: busy") << qint64(5000) << qint64(-1) << 0 << 0;
        QTest::newRow("zero length: busy") << qint64(5000) << qint64(0) << 0 << 0;
        QTest::newRow("more than announced") << qint64(1500) << qint64(1000) << 1500 << 1500;
        QTest::newRow("beyond the bar's range") << (qint64(3) << 30) << (qint64(4) << 30) << (3 << 20) << (4 << 20);
    }
    void progressDisplay()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, announced);
        const ProgressDisplay display =
            ::progressDisplay(received, announced < 0 ? std::nullopt : std::optional<qint64>(announced));
        QFETCH(int, value);
        QFETCH(int, maximum);
        QCOMPARE(display.value, value);
        QCOMPARE(display.maximum, maximum);
    }

    // One host name or IP address; a port, a second address or a name that is too long is refused.
    void addressFromDownloadedText()
    {
        const QString label63(63, u'a');
        const QString name253 = QStringList(4, label63).join(u'.').left(249) + QStringLiteral(".com");
        QCOMPARE(name253.size(), 253);
        const QList<std::pair<QString, QString>> good{
            {QStringLiteral("10.0.0.7\r\n"), QStringLiteral("10.0.0.7")},
            {QStringLiteral(" help.torvane.example "), QStringLiteral("help.torvane.example")},
            {QStringLiteral("localhost"), QStringLiteral("localhost")},
            {QStringLiteral("::1"), QStringLiteral("::1")},
            {QStringLiteral("2001:db8::15\n"), QStringLiteral("2001:db8::15")},
            {QStringLiteral("x-1.") + label63 + QStringLiteral(".example"), QStringLiteral("x-1.") + label63 + QStringLiteral(".example")},
            {name253, name253}};
        for (const auto &[text, address] : good)
            QCOMPARE(ServerAddressDownload::addressFromText(text), address);
        const QStringList bad{QString(), QStringLiteral("\r\n"), QStringLiteral("10.0.0.7\r\n10.0.0.8"),
                              QStringLiteral("a\"b"), QStringLiteral("<html>404</html>"), QStringLiteral("a,b"),
                              QStringLiteral("127.0.0.1:1234"), QStringLiteral("[::1]:5000"), QStringLiteral("host.example:80"),
                              QString(3667, u'a'), label63 + u'a', name253.left(252) + QStringLiteral("cx"),
                              QStringLiteral("-a.example"), QStringLiteral("a-.example"), QStringLiteral("a..example"),
                              QStringLiteral("example."), QStringLiteral("under_score.example"), QStringLiteral("999.1.1.1"),
                              QStringLiteral("1.2.3.4.5"), QStringLiteral("h\u00e9te.example"),
                              // the address parser would stop at the NUL and take "1.10"
                              QStringLiteral("1.10") + QChar(0) + QStringLiteral("0.50.0.5")};
        for (const QString &text : bad)
            QVERIFY2(!ServerAddressDownload::addressFromText(text), qPrintable(text));
    }

    // The download takes the installed file's place in one step; the old one becomes the backup,
    // and a failure changes nothing.
    void installKeepsBackup()
    {
        testsupport::TemporaryApplicationFolder folder;
        const DatabaseFiles files = DatabaseFiles::inFolder(folder.path());
        writeFileBytes(files.installed, "old database");
        writeFileBytes(files.backup, "older backup");
        writeFileBytes(files.download, "new database");
        installDownloadedDatabase(files);
        QCOMPARE(fileBytes(files.installed), QByteArray("new database"));
        QCOMPARE(fileBytes(files.backup), QByteArray("old database"));
        QVERIFY(!QFile::exists(files.download));

        // First install: nothing to keep.
        QFile::remove(files.installed);
        QFile::remove(files.backup);
        writeFileBytes(files.download, "first database");
        installDownloadedDatabase(files);
        QCOMPARE(fileBytes(files.installed), QByteArray("first database"));
        QVERIFY(!QFile::exists(files.backup));

        // The backup cannot be written (a folder is in the way): the installed database stays.
        QDir(folder.path()).mkdir(QStringLiteral("DriverData.backup"));
        writeFileBytes(files.download, "rejected database");
        QVERIFY_THROWS_EXCEPTION(app::Failure, installDownloadedDatabase(files));
        QCOMPARE(fileBytes(files.installed), QByteArray("first database"));
        QVERIFY(!QFile::exists(files.backup + QStringLiteral(".partial")));
    }

    // Each file is on the disk before its rename, and the folder after the renames, so a power
    // loss after the install cannot leave an empty or partial database.
    void installReachesTheDisk()
    {
#ifdef Q_OS_LINUX
        testsupport::TemporaryApplicationFolder folder;
        const DatabaseFiles files = DatabaseFiles::inFolder(folder.path());
        writeFileBytes(files.installed, "old database");
        writeFileBytes(files.download, "new database");
        QStringList log;
        diskLog = &log;
        installDownloadedDatabase(files);
        diskLog = nullptr;
        const QString folderName = QFileInfo(folder.path()).fileName();
        QCOMPARE(log, (QStringList{QStringLiteral("sync DatabaseMain1.mdb"), QStringLiteral("sync DriverData.backup.partial"),
                                   QStringLiteral("rename DriverData.backup.partial DriverData.backup"),
                                   QStringLiteral("rename DatabaseMain1.mdb DriverData.mdb"),
                                   QStringLiteral("sync ") + folderName}));
        QCOMPARE(fileBytes(files.installed), QByteArray("new database"));
#else
        QSKIP("watches the disk through Linux's /proc");
#endif
    }
};

QTEST_GUILESS_MAIN(UpdaterLogicTest)
#include "tst_updaterlogic.moc"
