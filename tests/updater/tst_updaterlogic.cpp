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
#include <QTest>

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

    void addressFromDownloadedText()
    {
        QCOMPARE(ServerAddressDownload::addressFromText(QStringLiteral("10.0.0.7\r\n")), QStringLiteral("10.0.0.7"));
        QCOMPARE(ServerAddressDownload::addressFromText(QStringLiteral(" help.torvane.example ")),
                 QStringLiteral("help.torvane.example"));
        QCOMPARE(ServerAddressDownload::addressFromText(QStringLiteral("[::1]:5000")), QStringLiteral("[::1]:5000"));
        for (const char *bad : {"", "\r\n", "10.0.0.7\r\n10.0.0.8", "a\"b", "<html>404</html>", "a,b"})
            QVERIFY2(!ServerAddressDownload::addressFromText(QString::fromLatin1(bad)), bad);
    }

    // The download takes the installed file's place in one step; the old one becomes the backup,
    // and a failure changes nothing.
    void installKeepsBackup()
    {
        testsupport::TemporaryApplicationFolder folder;
        const DatabaseFiles files{folder.file(QStringLiteral("DatabaseMain1.mdb")),
                                  folder.file(QStringLiteral("DriverData.mdb")),
                                  folder.file(QStringLiteral("DriverData.backup"))};
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
};

QTEST_GUILESS_MAIN(UpdaterLogicTest)
#include "tst_updaterlogic.moc"
