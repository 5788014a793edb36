// Files from our writer, read back by our reader and by mdb-export.
#include "jettests.h"

#include "platform/jet/jetdatabase.h"
#include "platform/jet/jetwriter.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace platform::jet;
using Row = std::vector<std::optional<QString>>;
using Rows = std::vector<Row>;

namespace {

Rows readAll(const JetTable &table)
{
    Rows rows;
    const int columns = int(table.columnNames().size());
    for (JetRowCursor cursor = table.rows(); cursor.next();) {
        Row row;
        for (int i = 0; i < columns; ++i)
            row.push_back(cursor.value(i));
        rows.push_back(row);
    }
    return rows;
}

void write(const QString &path, const QString &password, const QString &table, const QStringList &columns, const Rows &rows)
{
    JetWriter writer(path, password);
    writer.beginTable(table, columns);
    for (const Row &row : rows)
        writer.addRow(row);
    writer.finish();
}

const QStringList kColumns{"Hardware", "OS", "Architecture", "Link"};

template<class F> QString errorOf(F &&run)
{
    try {
        run();
    } catch (const JetError &error) {
        return error.text();
    }
    return QString();
}

} // namespace

class JetWriterTest : public QObject {
    Q_OBJECT
private slots:
    void awkwardValuesComeBackExactly()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("awkward.mdb");
        const QString longAscii(255, QLatin1Char('x'));
        QString longWide;
        for (int i = 0; i < 255; ++i)
            longWide.append(QChar(0x0410 + i % 32));
        const Rows rows{
            {"O'Brien's \"Super\" card, rev. 2", "Windows XP", "32-bit", "https://example.com/a?b=1,2"},
            {"two\nlines", "crlf\r\nend", "", std::nullopt},
            {std::nullopt, "", std::nullopt, ""},
            {longAscii, longWide, QString::fromUtf8("Ünïcødé ÄÖÜ"), QString::fromUtf8("Мир ϰαὶ 中文 🙂")},
            {QString::fromUtf8("ÿ and Ā mixed"), "ab", "a", "No Matches"},
        };
        write(path, "velmarith", "table1", kColumns, rows);

        const JetDatabase database = JetDatabase::open(path, QStringLiteral("velmarith"));
        QVERIFY(database.hasPassword());
        QCOMPARE(database.tableNames(), QStringList{"table1"});
        const JetTable table = database.table("table1");
        QCOMPARE(table.columnNames(), kColumns);
        QCOMPARE(table.recordedRowCount(), 5u);
        QCOMPARE(readAll(table), rows);
        QVERIFY_THROWS_EXCEPTION(JetError, JetDatabase::open(path, QStringLiteral("Velmarith")));

        if (jettests::mdbExport().isEmpty())
            QSKIP("mdb-export (mdbtools) is not installed");
        const auto exported = jettests::run(jettests::mdbExport(), {path, "table1"});
        QCOMPARE(exported.exitCode, 0);
        // mdbtools converts UTF-16 unit by unit: a character outside the BMP comes out as "??".
        QCOMPARE(QString::fromUtf8(exported.out),
                 QString::fromUtf8(jettests::mdbExportText(kColumns, rows)).replace(QString::fromUtf8("🙂"), "??"));
    }

    void severalTablesAndNoPassword()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("tables.mdb");
        {
            JetWriter writer(path, QString());
            writer.beginTable("first", {"A"});
            writer.addRow({"1"});
            writer.beginTable("empty", {"B", "C"});
            writer.beginTable("third", {"D"});
            writer.addRow({"3"});
            writer.addRow({std::nullopt});
            writer.finish();
        }
        const JetDatabase database = JetDatabase::open(path, QStringLiteral("anything"));
        QVERIFY(!database.hasPassword());
        QCOMPARE(database.tableNames(), (QStringList{"first", "empty", "third"}));
        QCOMPARE(readAll(database.table("first")), (Rows{{"1"}}));
        QCOMPARE(readAll(database.table("empty")), Rows{});
        QCOMPARE(readAll(database.table("third")), (Rows{{"3"}, {std::nullopt}}));
        if (jettests::mdbExport().isEmpty())
            QSKIP("mdb-export (mdbtools) is not installed");
        QCOMPARE(jettests::run(jettests::mdbExport(), {path, "third"}).out, QByteArray("D\n\"3\"\n\n"));
        QCOMPARE(jettests::run(jettests::mdbExport(), {path, "empty"}).out, QByteArray("B,C\n"));
    }

    void manyRowsOverManyPages()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("many.mdb");
        const int count = 100000;
        auto rowAt = [](int i) {
            return Row{QStringLiteral("Device %1").arg(i), QStringLiteral("OS %1").arg(i % 7),
                       i % 3 ? QStringLiteral("32-bit") : QString(), QStringLiteral("https://example.com/driver/%1").arg(i)};
        };
        {
            JetWriter writer(path, "velmarith");
            writer.beginTable("table1", kColumns);
            for (int i = 0; i < count; ++i)
                writer.addRow(rowAt(i));
            writer.finish();
        }
        const JetTable table = JetDatabase::open(path, QStringLiteral("velmarith")).table("table1");
        QCOMPARE(table.recordedRowCount(), quint32(count));
        int i = 0;
        for (JetRowCursor rows = table.rows(); rows.next(); ++i) {
            const Row expected = rowAt(i);
            for (int c = 0; c < 4; ++c)
                if (rows.value(c) != expected[std::size_t(c)])
                    QFAIL(qPrintable(QStringLiteral("row %1 column %2 differs").arg(i).arg(c)));
        }
        QCOMPARE(i, count);

        if (jettests::mdbExport().isEmpty())
            QSKIP("mdb-export (mdbtools) is not installed");
        const auto exported = jettests::run(jettests::mdbExport(), {path, "table1"});
        QCOMPARE(exported.exitCode, 0);
        const QList<QByteArray> lines = exported.out.split('\n');
        QCOMPARE(lines.size(), count + 2); // header, rows, and the empty text after the last newline
        QCOMPARE(lines[1], QByteArray("\"Device 0\",\"OS 0\",,\"https://example.com/driver/0\""));
        QCOMPARE(lines[count], QByteArray("\"Device 99999\",\"OS 4\",,\"https://example.com/driver/99999\""));
        QCOMPARE(lines[count - 1], QByteArray("\"Device 99998\",\"OS 3\",\"32-bit\",\"https://example.com/driver/99998\""));
    }

    void textStartingWithAByteOrderMarkComesBackExactly()
    {
        // Compressed text starts with the bytes FF FE, which are also U+FEFF in UTF-16: such a value
        // is written compressed, so that every reader gets the U+FEFF back.
        QTemporaryDir dir;
        const QString path = dir.filePath("bom.mdb");
        const QString bom(QChar(0xFEFF));
        const Rows rows{{bom + "abc"}, {bom}, {bom + bom}, {bom + QString::fromUtf8("Мир x ÿ")}, {"a" + bom}};
        write(path, QString(), "t", {"Text"}, rows);
        QCOMPARE(readAll(JetDatabase::open(path, std::nullopt).table("t")), rows);

        // A character with a zero byte cannot follow in that form: refused, not garbled.
        JetWriter writer(dir.filePath("refused.mdb"), QString());
        writer.beginTable("t", {"Text"});
        const QString message = errorOf([&] { writer.addRow({bom + QString(QChar(0x4E00))}); });
        QVERIFY2(message.contains("column \"Text\" starts with U+FEFF"), qPrintable(message));

        if (jettests::mdbExport().isEmpty())
            QSKIP("mdb-export (mdbtools) is not installed");
        QCOMPARE(QString::fromUtf8(jettests::run(jettests::mdbExport(), {path, "t"}).out),
                 QString::fromUtf8(jettests::mdbExportText({"Text"}, rows)));
    }

    void refusesWhatItCannotStore()
    {
        QTemporaryDir dir;
        JetWriter writer(dir.filePath("bad.mdb"), "velmarith");
        QVERIFY_THROWS_EXCEPTION(JetError, writer.addRow({"no table yet"}));
        QCOMPARE(errorOf([&] { writer.beginTable("t", {"A", "B", "a"}); }),
                 QStringLiteral("The column \"a\" appears twice (columns 1 and 3)."));
        // Names that start with MSys belong to the database's own tables, for the first table too.
        for (const char *reserved : {"MSysObjects", "msysaces", "MSysAnything"})
            QVERIFY(errorOf([&] { writer.beginTable(reserved, {"A"}); }).contains("is reserved"));
        // Limits name what they concern and count as Jet does, in UTF-16 units.
        QCOMPARE(errorOf([&] { writer.beginTable("t", {"A", ""}); }), QStringLiteral("Column 2 of table \"t\" has no name."));
        const QString emoji = QString::fromUtf8("🙂");
        QCOMPARE(errorOf([&] { writer.beginTable("t", {"A", emoji.repeated(33)}); }),
                 QStringLiteral("The name of column 2 of table \"t\", \"%1\", has 33 characters (66 UTF-16 units); Jet "
                                "allows at most 64 UTF-16 units (a character outside the Basic Multilingual Plane, such as an "
                                "emoji, takes two).").arg(emoji.repeated(33)));
        QVERIFY(errorOf([&] { writer.beginTable(QString(65, 'n'), {"A"}); }).contains("has 65 characters; Jet allows at most 64"));
        QVERIFY(errorOf([&] { writer.beginTable("t", QStringList(256, "c")); }).contains("has 256 columns; a Jet table has 1 to 255"));
        writer.beginTable("t", kColumns);
        QVERIFY_THROWS_EXCEPTION(JetError, writer.addRow({"a", "b", "c"}));
        QVERIFY(errorOf([&] { writer.addRow({QString(256, 'x'), "", "", ""}); }).contains("has 256 characters; a text column holds at most 255"));
        QVERIFY(errorOf([&] { writer.addRow({emoji.repeated(128), "", "", ""}); }).contains("has 128 characters (256 UTF-16 units)"));
        writer.addRow({emoji.repeated(127), "", "", ""});
        QVERIFY_THROWS_EXCEPTION(JetError, JetWriter(dir.filePath("pw.mdb"), QString(21, QLatin1Char('p'))));
        QVERIFY(errorOf([&] { JetWriter(dir.filePath("missing/folder.mdb"), "velmarith"); }).contains(dir.filePath("missing/folder.mdb")));
        // Eight columns of 255 characters outside Latin-1 need more than a page.
        writer.beginTable("wide", {"A", "B", "C", "D", "E", "F", "G", "H"});
        const QString wide(255, QChar(0x0416));
        QVERIFY(errorOf([&] { writer.addRow({wide, wide, wide, wide, wide, wide, wide, wide}); }).contains("a row must fit one database page"));
    }

    void definitionsOfManyColumnsContinueOnFurtherPages()
    {
        // 255 columns of 64-character names need about 40 KB of definition, ten pages.
        QTemporaryDir dir;
        const QString path = dir.filePath("wide.mdb");
        QStringList columns;
        Row row;
        for (int i = 0; i < 255; ++i) {
            columns.append(QStringLiteral("%1").arg(i, 64, 10, QLatin1Char('c')));
            row.push_back(i % 3 ? std::optional<QString>(QString::number(i)) : std::nullopt);
        }
        write(path, QString(), "wide", columns, {row, row});
        const JetTable table = JetDatabase::open(path, std::nullopt).table("wide");
        QCOMPARE(table.columnNames(), columns);
        QCOMPARE(readAll(table), (Rows{row, row}));
        if (jettests::mdbExport().isEmpty())
            QSKIP("mdb-export (mdbtools) is not installed");
        QCOMPARE(QString::fromUtf8(jettests::run(jettests::mdbExport(), {path, "wide"}).out),
                 QString::fromUtf8(jettests::mdbExportText(columns, {row, row})));
    }

    void neverGrowsPastTheSizeLimit()
    {
        // Jet's limit is 2 GB; a smaller one shows the same rule in a small file: the row that would
        // take the file past it is refused, and the file finished without it stays within it.
        QTemporaryDir dir;
        const QString path = dir.filePath("limited.mdb");
        const qint64 limit = 40 * 4096;
        JetWriter writer(path, "velmarith", limit);
        writer.beginTable("table1", kColumns);
        const Row row{QString(200, 'h'), "Windows XP", "32-bit", QString(200, 'l')};
        int rows = 0;
        const QString message = errorOf([&] {
            for (;; ++rows)
                writer.addRow(row);
        });
        QCOMPARE(message, QStringLiteral("The database file \"%1\" would grow past 163840 bytes, the most a Jet database "
                                         "can hold; put fewer rows in it.").arg(path));
        QVERIFY(rows > 200);
        QCOMPARE(errorOf([&] { writer.addRow(row); }), message);
        writer.finish();
        QVERIFY(QFileInfo(path).size() <= limit);
        QCOMPARE(readAll(JetDatabase::open(path, QStringLiteral("velmarith")).table("table1")).size(), std::size_t(rows));

        // The reader refuses what Jet cannot have made: a file past 2 GB (sparse here).
        QFile big(dir.filePath("big.mdb"));
        QFile small(path);
        QVERIFY(small.open(QIODevice::ReadOnly) && big.open(QIODevice::WriteOnly));
        big.write(small.read(4096));
        QVERIFY(big.resize((qint64(1) << 31) + 4096));
        big.close();
        QCOMPARE(errorOf([&] { JetDatabase::open(big.fileName(), std::nullopt); }),
                 QStringLiteral("The file \"%1\" is larger than 2 GB, the most a Jet database can hold.").arg(big.fileName()));
    }
};

QTEST_GUILESS_MAIN(JetWriterTest)
#include "test_jet_writer.moc"
