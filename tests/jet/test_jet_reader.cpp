// The reader against files made by Access and the Jet engine, and against damaged copies of them.
#include "jettests.h"
#include "retypedtable.h"

#include "platform/jet/jetdatabase.h"
#include "platform/jet/jetformat.h"
#include "platform/jet/jetwriter.h"

#include <QFile>
#include <QDate>
#include <QTemporaryDir>
#include <QTest>

using namespace platform::jet;
using namespace platform::jet::format;
using jettests::sample;
using Rows = std::vector<std::vector<std::optional<QString>>>;

namespace {

Rows readAll(const JetTable &table)
{
    Rows rows;
    const int columns = int(table.columnNames().size());
    for (JetRowCursor cursor = table.rows(); cursor.next();) {
        std::vector<std::optional<QString>> row;
        for (int i = 0; i < columns; ++i)
            row.push_back(cursor.value(i));
        rows.push_back(row);
    }
    return rows;
}

QByteArray sampleBytes(const QString &name)
{
    QFile file(sample(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample %s", qPrintable(name));
    return file.readAll();
}

QString openError(const QByteArray &bytes, const std::optional<QString> &password = std::nullopt)
{
    try {
        const JetDatabase database = JetDatabase::openBytes(bytes, password);
        for (const QString &name : database.tableNames())
            readAll(database.table(name));
        return QString();
    } catch (const JetError &error) {
        return error.text();
    }
}

QString openFileError(const QString &path, const std::optional<QString> &password)
{
    try {
        JetDatabase::open(path, password);
        return QString();
    } catch (const JetError &error) {
        return error.text();
    }
}

// The page of a table's definition, as the catalogue records it.
uint32_t definitionPage(const QByteArray &bytes, const QString &tableName)
{
    const JetTable objects = JetDatabase::openBytes(bytes, std::nullopt).table("MSysObjects");
    for (JetRowCursor rows = objects.rows(); rows.next();)
        if (rows.textEquals(objects.columnIndex("Name"), tableName))
            return rows.value(objects.columnIndex("Id"))->toUInt();
    return 0;
}

} // namespace

class JetReaderTest : public QObject {
    Q_OBJECT
private slots:
    void formatsOtherThanJet4AreRefusedByName()
    {
        JET_SAMPLES_OR_SKIP();
        QVERIFY(openFileError(sample("mdbreader_V1997_no-password.mdb"), std::nullopt).contains("Access 97 format (Jet 3)"));

        QByteArray ace = sampleBytes("mdbreader_V2000_no-password.mdb");
        ace[0x14] = 2;
        QVERIFY(openError(ace).contains("Access 2007 or later (ACE)"));
        ace.replace(4, 15, "Standard ACE DB");
        QVERIFY(openError(ace).contains("Access 2007 or later (ACE)"));

        QVERIFY(openError("just some text, not a database").contains("is not a Jet (Access) database"));
        QVERIFY(openError(QByteArray()).contains("is not a Jet (Access) database"));
        // Messages name the file as it was given, folder and all.
        QVERIFY(openFileError(QStringLiteral("/nonexistent/DriverData.mdb"), std::nullopt)
                    .contains("\"/nonexistent/DriverData.mdb\" was not found"));
    }

    void passwordIsCheckedAsJetChecksIt()
    {
        JET_SAMPLES_OR_SKIP();
        const QString protectedFile = sample("mdbreader_V2000_with-password.mdb");
        const JetDatabase database = JetDatabase::open(protectedFile, QStringLiteral("password"));
        QVERIFY(database.hasPassword());
        QCOMPARE(readAll(database.table("Table1")).size(), std::size_t(3));
        for (const QString &wrong : {QStringLiteral("velmarith"), QStringLiteral(""), QStringLiteral("Password"),
                                     QStringLiteral("passwor"), QStringLiteral("password ")})
            QVERIFY2(openFileError(protectedFile, wrong).contains("password"), qPrintable(wrong));
        QVERIFY(JetDatabase::open(protectedFile, std::nullopt).hasPassword());

        // A file without a password opens whatever password is given, as with the Jet engine.
        const JetDatabase open = JetDatabase::open(sample("mdbreader_V2000_no-password.mdb"), QStringLiteral("velmarith"));
        QVERIFY(!open.hasPassword());
    }

    void samplesReadAsAccessWroteThem()
    {
        JET_SAMPLES_OR_SKIP();
        const Rows expectedTable1{{"1", "One"}, {"2", "Two"}, {"3", "Three"}};
        const JetDatabase plain = JetDatabase::open(sample("mdbreader_V2000_no-password.mdb"), std::nullopt);
        QCOMPARE(plain.tableNames(), QStringList{"Table1"});
        QCOMPARE(plain.table("table1").columnNames(), (QStringList{"ID", "Data"}));
        QCOMPARE(readAll(plain.table("Table1")), expectedTable1);

        // Pages RC4-encoded with the database key.
        const JetDatabase encoded = JetDatabase::open(sample("jackcessencrypt_db-enc.mdb"), std::nullopt);
        QCOMPARE(readAll(encoded.table("Table1")), (Rows{{"1", "hello", "0"}, {"2", "world", "42"}}));

        // Rows marked deleted are skipped.
        const JetDatabase deleted = JetDatabase::open(sample("jackcess_delTestV2000.mdb"), std::nullopt);
        QCOMPARE(readAll(deleted.table("Table")), (Rows{{"z", "y"}, {"v", "u"}}));

        // Text with and without Unicode compression.
        const JetDatabase unicode = JetDatabase::open(sample("jackcess_testUnicodeCompV2003.mdb"), std::nullopt);
        const Rows rows = readAll(unicode.table("Table"));
        QCOMPARE(rows.size(), std::size_t(8));
        QCOMPARE(rows[0][1], std::optional<QString>("only ascii chars"));
        QCOMPARE(rows[1][1], std::optional<QString>(QString::fromUtf8("ääkkösiä")));
        QCOMPARE(rows[2][1], std::optional<QString>(QString::fromUtf8("Мир")));
        QCOMPARE(rows[3][1], std::optional<QString>(QString::fromUtf16(u"\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C \u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1")));

        // The minimal database the Jet engine creates has only system tables.
        const JetDatabase minimal = JetDatabase::open(sample("jackcess_adox_jet4.mdb"), std::nullopt);
        QVERIFY(minimal.tableNames().isEmpty());
        QVERIFY(minimal.table("MSysObjects").columnIndex("LvProp") >= 0);
        QVERIFY_THROWS_EXCEPTION(JetError, minimal.table("table1"));
    }

    void textComparisonIgnoresCaseAndKeepsNullApart()
    {
        JET_SAMPLES_OR_SKIP();
        const JetDatabase unicode = JetDatabase::open(sample("jackcess_testUnicodeCompV2003.mdb"), std::nullopt);
        JetRowCursor rows = unicode.table("Table").rows();
        QVERIFY(rows.next());
        QVERIFY(rows.textEquals(1, u"ONLY ASCII Chars"));
        QVERIFY(!rows.textEquals(1, u"only ascii chars "));
        QVERIFY(!rows.textEquals(1, u"only ascii char"));
        QVERIFY(rows.next());
        QVERIFY(rows.textEquals(1, QString::fromUtf8("ÄÄKKÖSIÄ")));
        QVERIFY(!rows.textEquals(1, QString::fromUtf8("aakkosia")));
        QVERIFY(rows.next());
        QVERIFY(rows.textEquals(1, QString::fromUtf8("мИР")));
    }

    void movedRowsAreFollowed()
    {
        // A row that outgrew its page: its first place points to where it lives now, and that
        // place is marked deleted. Made here from a written file by moving "first" behind row 2.
        QTemporaryDir dir;
        const QString path = dir.filePath("moved.mdb");
        {
            JetWriter writer(path, QString());
            writer.beginTable("t", {"Name"});
            for (const char *name : {"first", "second", "third"})
                writer.addRow({QString::fromLatin1(name)});
            writer.finish();
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        const uint32_t definition = definitionPage(written, "t");
        uint32_t dataPage = 0;
        for (uint32_t page = 3; page < written.size() / 4096; ++page)
            if (written[page * 4096] == 0x01 && platform::jet::format::u32(reinterpret_cast<const uint8_t *>(written.constData()) + page * 4096 + 4) == definition)
                dataPage = page;
        QVERIFY(dataPage > 0);
        auto moved = [&](uint8_t target) {
            QByteArray bytes = written;
            auto *page = reinterpret_cast<uint8_t *>(bytes.data()) + dataPage * 4096;
            using platform::jet::format::put16;
            using platform::jet::format::u16;
            put16(page + 14, u16(page + 14) | 0x8000);
            const uint16_t third = u16(page + 18);
            page[third] = target;
            platform::jet::format::put24(page + third + 1, dataPage);
            put16(page + 18, third | 0x4000);
            return bytes;
        };
        QCOMPARE(readAll(JetDatabase::openBytes(moved(0), std::nullopt).table("t")), (Rows{{"second"}, {"first"}}));
        // A pointer to itself never ends.
        QVERIFY(openError(moved(2)).contains("moved row"));
    }

    void memoValuesInlineInOneRowAndInAChain()
    {
        // A MEMO column's row holds a 12-byte descriptor: the value follows it, or lies in one
        // long-value row, or in a chain of them on "LVAL" pages.
        using jettests::RetypedTable;
        RetypedTable file({"Notes"}, {Memo}, 4, 20);
        const uint32_t lval = file.pages();
        file.setValue(0, 0, 7 | 0x80000000, 0, "\xFF\xFEhello");
        file.setValue(1, 0, 10 | 0x40000000, RetypedTable::pointer(lval, 0));
        const QByteArray first("\xFF\xFE" "chained ", 10), second("memo text");
        file.setValue(2, 0, uint32_t(first.size() + second.size()), RetypedTable::pointer(lval, 1));
        file.setNull(3, 0);
        file.addPage({QByteArray("G\0r\0\xFC\0\xDF\0e\0", 10), RetypedTable::part(RetypedTable::pointer(lval, 2), first),
                      RetypedTable::part(0, second)});

        const Rows expected{{"hello"}, {QString::fromUtf8("Grüße")}, {"chained memo text"}, {std::nullopt}};
        const JetTable table = JetDatabase::openBytes(file.bytes, std::nullopt).table("m");
        QCOMPARE(table.columnType(0), QStringLiteral("Memo"));
        QCOMPARE(readAll(table), expected);
        // Asked twice, a value is read once and comes back the same.
        JetRowCursor rows = table.rows();
        QVERIFY(rows.next() && rows.next() && rows.next());
        QCOMPARE(rows.value(0), expected[2][0]);
        QVERIFY(rows.textEquals(0, u"CHAINED MEMO TEXT"));
        QCOMPARE(rows.value(0), expected[2][0]);

        if (jettests::mdbExport().isEmpty())
            QSKIP("mdb-export (mdbtools) is not installed");
        QTemporaryDir dir;
        QFile patched(dir.filePath("patched.mdb"));
        QVERIFY(patched.open(QIODevice::WriteOnly) && patched.write(file.bytes) == file.bytes.size());
        patched.close();
        QCOMPARE(QString::fromUtf8(jettests::run(jettests::mdbExport(), {patched.fileName(), "m"}).out),
                 QString::fromUtf8(jettests::mdbExportText({"Notes"}, expected)));
    }

    void longValueChainsThatLoopOrShareAreRefused()
    {
        // Each part of a long value belongs to that value alone: a chain that comes back to a part
        // it passed, or a part that two values share, is damage, found at the second visit
        // instead of after the chain has grown to the length its descriptor claims.
        using jettests::RetypedTable;
        auto errorOf = [](const QByteArray &bytes) {
            try {
                readAll(JetDatabase::openBytes(bytes, std::nullopt).table("m"));
                return QString();
            } catch (const JetError &error) {
                return error.text();
            }
        };
        {
            // The descriptor claims the whole file; the parts hold 2,000 bytes and point back.
            RetypedTable file({"Notes"}, {Memo}, 1);
            const uint32_t lval = file.pages();
            file.addPage({RetypedTable::part(RetypedTable::pointer(lval, 1), QByteArray(1000, 'a')),
                          RetypedTable::part(RetypedTable::pointer(lval, 0), QByteArray(1000, 'b'))});
            file.setValue(0, 0, uint32_t(file.bytes.size()), RetypedTable::pointer(lval, 0));
            QVERIFY(errorOf(file.bytes).contains("run in a loop or are shared"));
        }
        {
            // Across pages, and a part that points to itself.
            RetypedTable file({"Notes"}, {Ole}, 1);
            const uint32_t lval = file.pages();
            file.addPage({RetypedTable::part(RetypedTable::pointer(lval + 1, 0), "x")});
            file.addPage({RetypedTable::part(RetypedTable::pointer(lval + 1, 0), "y")});
            file.setValue(0, 0, uint32_t(file.bytes.size()), RetypedTable::pointer(lval, 0));
            QVERIFY(errorOf(file.bytes).contains("run in a loop or are shared"));
        }
        {
            // Two rows whose values share a chain, and two OLE values that share one row: the
            // first value of each reads, the second is refused.
            RetypedTable file({"Notes", "Picture"}, {Memo, Ole}, 2);
            const uint32_t lval = file.pages();
            file.addPage({RetypedTable::part(RetypedTable::pointer(lval, 1), "\xFF\xFE" "ab"), RetypedTable::part(0, "cd"), "EF"});
            for (int row = 0; row < 2; ++row) {
                file.setValue(row, 0, 6, RetypedTable::pointer(lval, 0));
                file.setValue(row, 1, 2 | 0x40000000, RetypedTable::pointer(lval, 2));
            }
            JetRowCursor rows = JetDatabase::openBytes(file.bytes, std::nullopt).table("m").rows();
            QVERIFY(rows.next());
            QCOMPARE(rows.value(0), std::optional<QString>("abcd"));
            QCOMPARE(rows.value(1), std::optional<QString>("4546"));
            QVERIFY(rows.next());
            QVERIFY_THROWS_EXCEPTION(JetError, rows.value(0));
            QVERIFY_THROWS_EXCEPTION(JetError, rows.value(1));
            // Another pass starts afresh.
            QCOMPARE(errorOf(file.bytes), QStringLiteral("The database file in memory is damaged or incomplete "
                                                         "(a long value's parts run in a loop or are shared with another value)."));
        }
        {
            RetypedTable file({"Notes"}, {Memo}, 1);
            file.setValue(0, 0, 0x3FFFFFFF, RetypedTable::pointer(file.pages() - 1, 0));
            QVERIFY(errorOf(file.bytes).contains("longer than the file"));
        }
    }

    void valuesOfOtherKindsPrintExactly()
    {
        using jettests::RetypedTable;
        RetypedTable file({"Price", "Day", "Ratio", "Small", "Id"}, {Money, DateTime, Double, Float, Guid}, 6, 16);
        auto bytesOf = [](auto value) { return QByteArray(reinterpret_cast<const char *>(&value), sizeof value); };
        auto days = [](int year, int month, int day) { return double(QDate(1899, 12, 30).daysTo(QDate(year, month, day))); };
        const std::vector<std::tuple<int64_t, double, double, float>> values{
            {std::numeric_limits<int64_t>::max(), days(9999, 1, 1), 0.1 + 0.2, 0.1f},
            {std::numeric_limits<int64_t>::min(), days(1899, 1, 1), 1e300, -2.5f},
            {12345, -1.25, -0.0, 3e38f},
            {-1, 0.5, 1.0 / 3.0, 16777216.0f},
            {0, days(2024, 5, 31) + (13 * 3600 + 45 * 60 + 7.25) / 86400.0, 100.0, 1e-45f},
            {10000, 3.5e6, std::numeric_limits<double>::quiet_NaN(), 0.0f},
        };
        for (int row = 0; row < 6; ++row) {
            const auto &[money, date, number, small] = values[std::size_t(row)];
            file.setBytes(row, 0, bytesOf(money));
            file.setBytes(row, 1, bytesOf(date));
            file.setBytes(row, 2, bytesOf(number));
            file.setBytes(row, 3, bytesOf(small));
            file.setBytes(row, 4, QByteArray::fromHex("40FC296B47CA6710B31D00DD010662DA"));
        }
        const QString guid("{6B29FC40-CA47-1067-B31D-00DD010662DA}");
        const Rows expected{
            {"922337203685477.5807", "9999-01-01T00:00:00", "0.30000000000000004", "0.1", guid},
            {"-922337203685477.5808", "1899-01-01T00:00:00", "1e+300", "-2.5", guid},
            // A negative date counts its time of day forward from its midnight.
            {"1.2345", "1899-12-29T06:00:00", "-0", "3e+38", guid},
            {"-0.0001", "1899-12-30T12:00:00", "0.3333333333333333", "16777216", guid},
            {"0.0000", "2024-05-31T13:45:07.250", "100", "1e-45", guid},
            // Outside the years Access knows, a date is its number of days.
            {"1.0000", "3500000", "nan", "0", guid},
        };
        const JetTable table = JetDatabase::openBytes(file.bytes, std::nullopt).table("m");
        QCOMPARE(table.columnType(4), QStringLiteral("Replication ID"));
        QCOMPARE(readAll(table), expected);
    }

    void damageGivesAnErrorNotACrash()
    {
        JET_SAMPLES_OR_SKIP();
        const QByteArray good = sampleBytes("mdbreader_V2000_no-password.mdb");
        QVERIFY(openError(good).isEmpty());
        const uint32_t tablePage = definitionPage(good, "Table1");
        QVERIFY(tablePage > 2);
        const qsizetype def = qsizetype(tablePage) * 4096;
        auto damaged = [&](auto change) {
            QByteArray bytes = good;
            change(reinterpret_cast<uint8_t *>(bytes.data()));
            return openError(bytes);
        };
        using platform::jet::format::put32;
        using platform::jet::format::put24;
        // Cut short: not a whole number of pages.
        QVERIFY(openError(good.left(good.size() - 100)).contains("damaged or incomplete"));
        // A definition continued on itself for ever.
        const QString loop = damaged([&](uint8_t *b) { put32(b + def + 4, tablePage); });
        QVERIFY2(loop.contains("does not end"), qPrintable(loop));
        // The owned-pages map placed past the end of the file.
        QVERIFY(damaged([&](uint8_t *b) { put24(b + def + 56, 0xFFFFFF); }).contains("past the end"));
        // A column count far beyond the definition.
        QVERIFY(damaged([&](uint8_t *b) { b[def + 45] = 0xFF; b[def + 46] = 0xFF; }).contains("cut short"));
        // The catalogue's definition page overwritten.
        QVERIFY(damaged([&](uint8_t *b) { std::memset(b + 2 * 4096, 0x41, 4096); }).contains("damaged"));
    }
};

QTEST_GUILESS_MAIN(JetReaderTest)
#include "test_jet_reader.moc"
