// The reader against files made by Access and the Jet engine, and against damaged copies of them.
#include "jettests.h"

#include "platform/jet/jetdatabase.h"
#include "platform/jet/jetformat.h"
#include "platform/jet/jetwriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace platform::jet;
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
        QVERIFY(openFileError(sample("mdbreader_V1997_no-password.mdb"), std::nullopt).contains("Access 97 format (Jet 3)"));

        QByteArray ace = sampleBytes("mdbreader_V2000_no-password.mdb");
        ace[0x14] = 2;
        QVERIFY(openError(ace).contains("Access 2007 or later (ACE)"));
        ace.replace(4, 15, "Standard ACE DB");
        QVERIFY(openError(ace).contains("Access 2007 or later (ACE)"));

        QVERIFY(openError("just some text, not a database").contains("is not a Jet (Access) database"));
        QVERIFY(openError(QByteArray()).contains("is not a Jet (Access) database"));
        QVERIFY(openFileError(QStringLiteral("/nonexistent/DriverData.mdb"), std::nullopt).contains("was not found"));
    }

    void passwordIsCheckedAsJetChecksIt()
    {
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
        // long-value row, or in a chain of them on "LVAL" pages. Made here from a written text
        // column by turning it into a MEMO column and its values into descriptors.
        QTemporaryDir dir;
        const QString path = dir.filePath("memo.mdb");
        {
            JetWriter writer(path, QString());
            writer.beginTable("m", {"Notes"});
            for (const auto &value : {std::optional<QString>(QString(17, 'a')), std::optional<QString>(QString(10, 'b')),
                                      std::optional<QString>(QString(10, 'c')), std::optional<QString>()})
                writer.addRow({value});
            writer.finish();
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        file.close();
        using namespace platform::jet::format;
        const uint32_t definition = definitionPage(bytes, "m");
        auto *b = reinterpret_cast<uint8_t *>(bytes.data());
        b[definition * 4096 + 63] = Memo; // the first column descriptor
        const uint32_t dataPage = definition + 1;
        QCOMPARE(u32(b + dataPage * 4096 + 4), definition);
        const uint32_t lvalPage = uint32_t(bytes.size() / 4096);
        auto valueAt = [&](int row) { return b + dataPage * 4096 + (u16(b + dataPage * 4096 + 14 + 2 * row) & 0x1FFF) + 2; };

        // Row 0: "hello" right after the descriptor.
        uint8_t *inlineMemo = valueAt(0);
        std::memset(inlineMemo, 0, 12);
        put32(inlineMemo, 7 | 0x80000000);
        std::memcpy(inlineMemo + 12, "\xFF\xFEhello", 7);
        // Row 1: one long-value row, UCS-2 "Grüße".
        const QByteArray grusse("G\0r\0\xFC\0\xDF\0e\0", 10);
        put32(valueAt(1), 10 | 0x40000000);
        put32(valueAt(1) + 4, lvalPage << 8);
        put32(valueAt(1) + 8, 0);
        // Row 2: a chain of two rows, each starting with the pointer to the next.
        const QByteArray first("\xFF\xFE" "chained ", 10), second("memo text");
        put32(valueAt(2), uint32_t(first.size() + second.size()));
        put32(valueAt(2) + 4, lvalPage << 8 | 1);
        put32(valueAt(2) + 8, 0);

        QByteArray lval(4096, '\0');
        auto *l = reinterpret_cast<uint8_t *>(lval.data());
        l[0] = DataPage;
        l[1] = 0x01;
        std::memcpy(l + 4, "LVAL", 4);
        QList<QByteArray> rows{grusse, QByteArray(4, '\0') + first, QByteArray(4, '\0') + second};
        put32(reinterpret_cast<uint8_t *>(rows[1].data()), lvalPage << 8 | 2);
        std::size_t top = 4096;
        for (int i = 0; i < rows.size(); ++i) {
            top -= std::size_t(rows[i].size());
            std::memcpy(l + top, rows[i].constData(), std::size_t(rows[i].size()));
            put16(l + 14 + 2 * i, uint16_t(top));
        }
        put16(l + 12, uint16_t(rows.size()));
        bytes.append(lval);

        const Rows expected{{"hello"}, {QString::fromUtf8("Grüße")}, {"chained memo text"}, {std::nullopt}};
        const JetTable table = JetDatabase::openBytes(bytes, std::nullopt).table("m");
        QCOMPARE(table.columnType(0), QStringLiteral("Memo"));
        QCOMPARE(readAll(table), expected);

        if (jettests::mdbExport().isEmpty())
            QSKIP("mdb-export (mdbtools) is not installed");
        QFile patched(dir.filePath("patched.mdb"));
        QVERIFY(patched.open(QIODevice::WriteOnly) && patched.write(bytes) == bytes.size());
        patched.close();
        QCOMPARE(QString::fromUtf8(jettests::run(jettests::mdbExport(), {patched.fileName(), "m"}).out),
                 QString::fromUtf8(jettests::mdbExportText({"Notes"}, expected)));
    }

    void damageGivesAnErrorNotACrash()
    {
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
