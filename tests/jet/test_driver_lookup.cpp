// The driver lookup behind "Scan For Updated Drivers", on real database files.
#include "jettests.h"
#include "retypedtable.h"

#include "app/failures.h"
#include "platform/jet/jetdatabase.h"
#include "platform/jet/jetwriter.h"
#include "windows/main/driverlookup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace platform::jet;
using Row = std::vector<std::optional<QString>>;

namespace {

QString writeDatabase(const QString &path, const std::vector<Row> &rows, const QString &password = kDriverDatabasePassword,
                      const QString &table = kDriverTable, const QStringList &columns = kDriverColumns)
{
    JetWriter writer(path, password);
    writer.beginTable(table, columns);
    for (const Row &row : rows)
        writer.addRow(row);
    writer.finish();
    return path;
}

QString failureText(const QString &path)
{
    try {
        findDriverLink(path, "Intel(R) PRO/1000", "Windows XP", "32-bit");
    } catch (const app::Failure &failure) {
        return failure.text();
    }
    return QString();
}

int openFiles() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size()); }

} // namespace

class DriverLookupTest : public QObject {
    Q_OBJECT
private slots:
    void matchesAsTheJetEngineCompares()
    {
        QTemporaryDir dir;
        const QString db = writeDatabase(dir.filePath("DriverData.mdb"), {
            {"Intel(R) PRO/1000", "Windows XP", "32-bit", "https://intel.example/xp32"},
            {"Intel(R) PRO/1000", "Windows XP", "", "https://intel.example/xp-other"},
            {"Twice", "Windows XP", "32-bit", "https://first.example"},
            {"Twice", "Windows XP", "32-bit", "https://second.example"},
            {"Odd", "Windows XP", "32-bit", "No Matches"},
            {"O'Brien's card", "Windows XP", "32-bit", "https://obrien.example"},
            {"Null link", "Windows XP", "32-bit", std::nullopt},
            {"Empty link", "Windows XP", "32-bit", ""},
            {"Null architecture", "Windows XP", std::nullopt, "https://never.example"},
            {QString::fromUtf8("Ünïcode Gerät"), "Linux", "", "https://unicode.example"},
        });
        auto find = [&](const QString &hardware, const QString &os, const QString &architecture) {
            return findDriverLink(db, hardware, os, architecture);
        };
        QCOMPARE(find("Intel(R) PRO/1000", "Windows XP", "32-bit"), std::optional<QString>("https://intel.example/xp32"));
        // A processor other than x86 gives the empty architecture.
        QCOMPARE(find("Intel(R) PRO/1000", "Windows XP", ""), std::optional<QString>("https://intel.example/xp-other"));
        // Letter case does not count, also outside ASCII; blanks do, and nothing is trimmed.
        QCOMPARE(find("INTEL(r) pro/1000", "windows xp", "32-BIT"), std::optional<QString>("https://intel.example/xp32"));
        QCOMPARE(find(QString::fromUtf8("ÜNÏCODE GERÄT"), "LINUX", ""), std::optional<QString>("https://unicode.example"));
        QCOMPARE(find("Intel(R) PRO/1000 ", "Windows XP", "32-bit"), std::nullopt);
        // No device selected yet, or an operating system the user typed in.
        QCOMPARE(find("", "Windows XP", "32-bit"), std::nullopt);
        QCOMPARE(find("Intel(R) PRO/1000", "Windows 7", "32-bit"), std::nullopt);
        // The first of several matching rows.
        QCOMPARE(find("Twice", "Windows XP", "32-bit"), std::optional<QString>("https://first.example"));
        // A stored "No Matches" comes back as it is; the window's read-back turns it into the no-match status.
        QCOMPARE(find("Odd", "Windows XP", "32-bit"), std::optional<QString>("No Matches"));
        // An apostrophe is just a character: no query text is built.
        QCOMPARE(find("O'Brien's card", "Windows XP", "32-bit"), std::optional<QString>("https://obrien.example"));
        // A matching row without a link gives the empty text instead of failing.
        QCOMPARE(find("Null link", "Windows XP", "32-bit"), std::optional<QString>(""));
        QCOMPARE(find("Empty link", "Windows XP", "32-bit"), std::optional<QString>(""));
        // NULL equals nothing, not even the empty text.
        QCOMPARE(find("Null architecture", "Windows XP", ""), std::nullopt);
    }

    void eachCallOpensAndClosesTheFile()
    {
        QTemporaryDir dir;
        const QString db = writeDatabase(dir.filePath("DriverData.mdb"), {{"Dev", "Linux", "", "https://one.example"}});
        const int before = openFiles();
        QCOMPARE(findDriverLink(db, "Dev", "Linux", ""), std::optional<QString>("https://one.example"));
        QCOMPARE(findDriverLink(db, "Dev", "Linux", ""), std::optional<QString>("https://one.example"));
        QCOMPARE(openFiles(), before);
        // The updater may replace the file between two lookups.
        writeDatabase(db, {{"Dev", "Linux", "", "https://two.example"}});
        QCOMPARE(findDriverLink(db, "Dev", "Linux", ""), std::optional<QString>("https://two.example"));
        QVERIFY_THROWS_EXCEPTION(app::Failure, findDriverLink(dir.filePath("missing.mdb"), "Dev", "Linux", ""));
        QCOMPARE(openFiles(), before);
    }

    void unusableDatabasesFailWithAReadableText()
    {
        QTemporaryDir dir;
        QVERIFY(failureText(dir.filePath("DriverData.mdb")).contains("was not found"));
        QVERIFY(failureText(writeDatabase(dir.filePath("other.mdb"), {}, "sesame")).contains("different password"));
        QVERIFY(failureText(writeDatabase(dir.filePath("notable.mdb"), {}, kDriverDatabasePassword, "drivers"))
                    .contains("has no table \"table1\""));
        QVERIFY(failureText(writeDatabase(dir.filePath("nolink.mdb"), {}, kDriverDatabasePassword, "table1",
                                          {"Hardware", "OS", "Architecture", "Url"}))
                    .contains("no column \"Link\""));

        QFile cut(writeDatabase(dir.filePath("cut.mdb"), {{"Intel(R) PRO/1000", "Windows XP", "32-bit", "x"}}));
        QVERIFY(cut.resize(cut.size() - 4096 - 10));
        const QString damaged = failureText(cut.fileName());
        QVERIFY2(damaged.contains("damaged or incomplete"), qPrintable(damaged));
        QVERIFY(damaged.contains("Check for Updated Driver Database"));

        // The same judgement as the updater's check of a downloaded copy.
        QVERIFY_THROWS_EXCEPTION(JetError, checkDriverDatabase(cut.fileName()));
        QVERIFY_THROWS_EXCEPTION(JetError, checkDriverDatabase(dir.filePath("nolink.mdb")));
        checkDriverDatabase(writeDatabase(dir.filePath("good.mdb"), {{"a", "b", "c", "d"}}));

        JET_SAMPLES_OR_SKIP();
        QVERIFY(failureText(jettests::sample("mdbreader_V1997_no-password.mdb")).contains("Jet 3"));
    }

    void checkReadsWhatTheLookupReads()
    {
        // A long value that runs in a loop: in a column the lookup never reads it does no harm, in
        // Link it makes the database unusable, and the check finds it at once.
        using namespace platform::jet::format;
        using jettests::RetypedTable;
        QTemporaryDir dir;
        const QString key = RetypedTable::placeholder();
        auto withLoopIn = [&](const std::vector<uint8_t> &types, int column) {
            RetypedTable file({"Hardware", "OS", "Architecture", "Link", "Notes"}, types, 1, 12, "table1");
            const uint32_t lval = file.pages();
            file.addPage({RetypedTable::part(RetypedTable::pointer(lval, 0), "xyz")});
            file.setValue(0, column, uint32_t(file.bytes.size()), RetypedTable::pointer(lval, 0));
            QFile out(dir.filePath(QStringLiteral("loop%1.mdb").arg(column)));
            if (!out.open(QIODevice::WriteOnly) || out.write(file.bytes) != file.bytes.size())
                qFatal("cannot write %s", qPrintable(out.fileName()));
            return out.fileName();
        };
        const QString inNotes = withLoopIn({Text, Text, Text, Text, Memo}, 4);
        checkDriverDatabase(inNotes);
        QCOMPARE(findDriverLink(inNotes, key, key, key), std::optional<QString>(key));
        const QString inLink = withLoopIn({Text, Text, Text, Memo, Text}, 3);
        QVERIFY(failureText(inLink).isEmpty()); // no row matches, so no Link is read
        try {
            checkDriverDatabase(inLink);
            QFAIL("a loop in Link passed the check");
        } catch (const JetError &error) {
            QVERIFY2(error.text().contains("run in a loop"), qPrintable(error.text()));
        }
    }

    void shippedDatabaseKnowsThisMachine()
    {
        const QString shipped = QStringLiteral(DS_BUILD_DIR "/DriverData.mdb");
        QVERIFY2(QFile::exists(shipped), "the build makes DriverData.mdb");
        checkDriverDatabase(shipped);
        QVERIFY(findDriverLink(shipped, "Red Hat, Inc. Virtio 1.0 network device", "Linux", "").has_value());
        QVERIFY(findDriverLink(shipped, "Virtio block device", "Linux", "").has_value());
        QVERIFY(findDriverLink(shipped, "Realtek RTL8139 Family PCI Fast Ethernet NIC", "Windows 98", "32-bit").has_value());
        QVERIFY(findDriverLink(shipped, "Realtek RTL8139 Family PCI Fast Ethernet NIC", "Windows 2000", "").has_value());
    }
};

QTEST_GUILESS_MAIN(DriverLookupTest)
#include "test_driver_lookup.moc"
