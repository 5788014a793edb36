// Files from our writer, read back by our reader and by mdb-export.
#include "jettests.h"

#include "platform/jet/jetdatabase.h"
#include "platform/jet/jetwriter.h"

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

    void refusesWhatItCannotStore()
    {
        QTemporaryDir dir;
        JetWriter writer(dir.filePath("bad.mdb"), "velmarith");
        QVERIFY_THROWS_EXCEPTION(JetError, writer.addRow({"no table yet"}));
        QVERIFY_THROWS_EXCEPTION(JetError, writer.beginTable("t", {"A", "a"}));
        writer.beginTable("t", kColumns);
        QVERIFY_THROWS_EXCEPTION(JetError, writer.addRow({"a", "b", "c"}));
        QVERIFY_THROWS_EXCEPTION(JetError, writer.addRow({QString(256, QLatin1Char('x')), "", "", ""}));
        QVERIFY_THROWS_EXCEPTION(JetError, JetWriter(dir.filePath("pw.mdb"), QString(21, QLatin1Char('p'))));
        QVERIFY_THROWS_EXCEPTION(JetError, JetWriter(dir.filePath("missing/folder.mdb"), "velmarith"));
        // Eight columns of 255 characters outside Latin-1 need more than a page.
        writer.beginTable("wide", {"A", "B", "C", "D", "E", "F", "G", "H"});
        const QString wide(255, QChar(0x0416));
        QVERIFY_THROWS_EXCEPTION(JetError, writer.addRow({wide, wide, wide, wide, wide, wide, wide, wide}));
    }
};

QTEST_GUILESS_MAIN(JetWriterTest)
#include "test_jet_writer.moc"
