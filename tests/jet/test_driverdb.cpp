// The driverdb tool as its users run it.
#include "jettests.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using jettests::run;
using jettests::sample;

namespace {

const QString kTool = QStringLiteral(DS_BUILD_DIR "/driverdb");

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &contents)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write %s", qPrintable(name));
    return file.fileName();
}

} // namespace

class DriverdbTest : public QObject {
    Q_OBJECT
private slots:
    void dumpAgreesWithMdbExportOnEverySample()
    {
        if (jettests::mdbExport().isEmpty())
            QSKIP("mdb-export (mdbtools) is not installed");
        int tables = 0;
        for (const QString &name : jettests::jet4Samples()) {
            const QString path = sample(name);
            const QStringList password = name.contains("with-password") ? QStringList{"--password", "password"} : QStringList{};
            const auto listed = run(QStringLiteral("mdb-tables"), {"-1", path});
            for (const QByteArray &table : listed.out.split('\n')) {
                if (table.isEmpty())
                    continue;
                const auto ours = run(kTool, QStringList{"dump", path, QString::fromUtf8(table)} + password);
                QVERIFY2(ours.exitCode == 0, ours.err.constData());
                const auto theirs = run(jettests::mdbExport(), {path, QString::fromUtf8(table)});
                QCOMPARE(ours.out, theirs.out);
                ++tables;
            }
        }
        QCOMPARE(tables, 5);
    }

    void createThenDumpGivesTheCsvBack()
    {
        QTemporaryDir dir;
        const QByteArray csv = "Hardware,OS,Architecture,Link\n"
                               "\"O'Brien \"\"quoted\"\", card\",\"Windows XP\",\"32-bit\",\"https://a.example/x\"\n"
                               "\"two\nlines\",\"\",,\"Ünïcødé\"\n";
        const QString source = writeFile(dir, "in.csv", "\xEF\xBB\xBF" + csv); // with a byte-order mark
        const QString out = dir.filePath("out.mdb");
        const auto created = run(kTool, {"create", out, "--csv", source, "--table", "Drivers", "--password", "secret"});
        QVERIFY2(created.exitCode == 0, created.err.constData());
        QVERIFY(created.out.contains("2 rows"));

        // The dump quotes every text; "" is the empty text and nothing is NULL.
        const auto dumped = run(kTool, {"dump", out, "--password", "secret"});
        QCOMPARE(dumped.exitCode, 0);
        QCOMPARE(dumped.out, csv);

        const auto info = run(kTool, {"info", out});
        QCOMPARE(info.exitCode, 0);
        QCOMPARE(info.out, QByteArray("Version: Jet 4 (Access 2000 file format)\nPassword: set\nTables:\n  Drivers: 2 rows\n"));

        // Line ends written by Windows editors are line ends too, outside quotes.
        QByteArray crlf = csv;
        crlf.replace("Link\n", "Link\r\n").replace("x\"\n", "x\"\r\n");
        QVERIFY(run(kTool, {"create", out, "--csv", writeFile(dir, "crlf.csv", crlf), "--table", "Drivers", "--password", "secret"}).exitCode == 0);
        QCOMPARE(run(kTool, {"dump", out, "--password", "secret"}).out, csv);

        const auto refused = run(kTool, {"dump", out});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY(refused.err.contains("password"));
    }

    void badInputFailsClearlyAndLeavesNoFile()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("out.mdb");
        auto createFrom = [&](const QByteArray &csv) {
            return run(kTool, {"create", out, "--csv", writeFile(dir, "bad.csv", csv)});
        };
        struct Case {
            QByteArray csv;
            const char *message;
        };
        const QList<Case> cases{
            {"A,B\n\"open,quote\n", "line 2 has a quoted field that is never closed"},
            {"A,B\n1,2\n1,2,3\n", "line 3 has 3 fields; the header has 2"},
            {"A,B\nx\"y,2\n", "line 2 has a quote inside a field"},
            {"A,B\n\"x\"y,2\n", "line 2 has text after a closing quote"},
            {"A,B\n\xff\xfe,2\n", "line 2 is not valid UTF-8"},
            {"A,B\n" + QByteArray(256, 'x') + ",2\n", "more than 255 characters"},
            {"A,A\n1,2\n", "appears twice"},
            {"", "is empty"},
        };
        for (const Case &c : cases) {
            const auto result = createFrom(c.csv);
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.err.contains(c.message), result.err.constData());
            QVERIFY(!QFile::exists(out));
            QVERIFY(!QFile::exists(out + ".part"));
        }

        QCOMPARE(run(kTool, {"--help"}).exitCode, 0);
        QVERIFY(run(kTool, {"--help"}).out.contains("driverdb create OUT.mdb --csv FILE"));
        QCOMPARE(run(kTool, {}).exitCode, 2);
        QCOMPARE(run(kTool, {"create", out}).exitCode, 2);
        QCOMPARE(run(kTool, {"dump", out, "--colour", "red"}).exitCode, 2);
        QCOMPARE(run(kTool, {"frobnicate"}).exitCode, 2);

        const auto jet3 = run(kTool, {"info", sample("mdbreader_V1997_no-password.mdb")});
        QCOMPARE(jet3.exitCode, 1);
        QVERIFY(jet3.err.contains("Access 97 format (Jet 3)"));
        const auto missing = run(kTool, {"dump", dir.filePath("none.mdb")});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.contains("was not found"));
        const auto noTable = run(kTool, {"dump", sample("mdbreader_V2000_no-password.mdb"), "Nope"});
        QCOMPARE(noTable.exitCode, 1);
        QVERIFY(noTable.err.contains("has no table \"Nope\""));
    }
};

QTEST_GUILESS_MAIN(DriverdbTest)
#include "test_driverdb.moc"
