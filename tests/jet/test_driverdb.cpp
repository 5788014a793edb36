// The driverdb tool as its users run it.
#include "jettests.h"

#include "windows/main/driverlookup.h"

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
        JET_SAMPLES_OR_SKIP();
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
                // Without --password: files without one open with the default.
                const auto ours = run(kTool, QStringList{"dump", path, QString::fromUtf8(table)} + password);
                QVERIFY2(ours.exitCode == 0, ours.err.constData());
                const auto theirs = run(jettests::mdbExport(), {path, QString::fromUtf8(table)});
                QCOMPARE(ours.out, theirs.out);
                ++tables;
            }
        }
        QCOMPARE(tables, 5);
    }

    void createThenDumpGivesTheCsvBackExactly()
    {
        QTemporaryDir dir;
        // "" is the empty text, an empty field NULL; a text may start with U+FEFF.
        const QByteArray csv = "Hardware,OS,Architecture,Link\n"
                               "\"O'Brien \"\"quoted\"\", card\",\"Windows XP\",\"32-bit\",\"https://a.example/x\"\n"
                               "\"two\nlines\",\"\",,\"Ünïcødé\"\n"
                               "\"\xEF\xBB\xBF" "abc\",\"\xEF\xBB\xBF\",,\"\"\n";
        const QString source = writeFile(dir, "in.csv", "\xEF\xBB\xBF" + csv); // with a byte-order mark in front
        const QString out = dir.filePath("out.mdb");
        const auto created = run(kTool, {"create", out, "--csv", source, "--table", "Drivers", "--password", "secret"});
        QVERIFY2(created.exitCode == 0, created.err.constData());
        QVERIFY(created.out.contains("3 rows"));
        const auto dumped = run(kTool, {"dump", out, "--password", "secret"});
        QCOMPARE(dumped.exitCode, 0);
        QCOMPARE(dumped.out, csv);
        // And again from the dump: nothing changes.
        QCOMPARE(run(kTool, {"create", out, "--csv", writeFile(dir, "again.csv", dumped.out), "--password", "secret"}).exitCode, 0);
        QCOMPARE(run(kTool, {"dump", out, "--password", "secret"}).out, csv);

        const auto info = run(kTool, {"info", out, "--password", "secret"});
        QCOMPARE(info.exitCode, 0);
        QCOMPARE(info.out, QByteArray("Version: Jet 4 (Access 2000 file format)\nPassword: set\nTables:\n  table1: 3 rows\n"));

        // Line ends written by Windows editors are line ends too, outside quotes; blank lines at the
        // end of the file add no row.
        QByteArray crlf = csv;
        crlf.replace("Link\n", "Link\r\n").replace("x\"\n", "x\"\r\n");
        QCOMPARE(run(kTool, {"create", out, "--csv", writeFile(dir, "crlf.csv", crlf + "\r\n\n"), "--password", "secret"}).exitCode, 0);
        QCOMPARE(run(kTool, {"dump", out, "--password", "secret"}).out, csv);

        // In a one-column table a blank line is a value, as dump and mdb-export print a NULL there.
        const QByteArray oneColumn = "Link\n\"a\"\n\n\"\"\n\n";
        QCOMPARE(run(kTool, {"create", out, "--csv", writeFile(dir, "one.csv", oneColumn)}).exitCode, 0);
        QCOMPARE(run(kTool, {"dump", out}).out, oneColumn);
    }

    void theShippedDatabaseSurvivesMdbExport()
    {
        // mdb-export prints NULL and "" alike, as nothing; --empty-text reads them as "", so the
        // empty Architecture keys that lookups on machines other than x86 need come back.
        if (jettests::mdbExport().isEmpty())
            QSKIP("mdb-export (mdbtools) is not installed");
        const QString shipped = QStringLiteral(DS_BUILD_DIR "/DriverData.mdb");
        QVERIFY2(QFile::exists(shipped), "the build makes DriverData.mdb");
        QTemporaryDir dir;
        const QString exported = writeFile(dir, "export.csv", run(jettests::mdbExport(), {shipped, "table1"}).out);
        const QString copy = dir.filePath("DriverData.mdb");
        const auto created = run(kTool, {"create", copy, "--csv", exported, "--empty-text"});
        QVERIFY2(created.exitCode == 0, created.err.constData());
        const QByteArray original = run(kTool, {"dump", shipped}).out;
        QVERIFY(original.count(",\"\",") > 100);
        QCOMPARE(run(kTool, {"dump", copy}).out, original);
        QVERIFY(findDriverLink(copy, "Virtio block device", "Linux", "").has_value());
    }

    void malformedCsvIsReportedByLineAndColumn()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("out.mdb");
        struct Case {
            QByteArray csv;
            const char *message;
        };
        const QList<Case> cases{
            // The header line as much as the others.
            {"Ger\xE4t,B\n1,2\n", "line 1, column 4: the text is not UTF-8"},
            {QByteArray("\xFF\xFEH\0,\0B\0\n\0", 10), "line 1, column 1: the file is UTF-16 text"},
            {"A\"B,C\n1,2\n", "line 1, column 2: a quote inside a field that is not quoted"},
            {"A,\"B\n1,2\n", "line 1, column 3: a quoted field that is never closed"},
            {"\"A\"x,B\n1,2\n", "line 1, column 4: text after a closing quote"},
            {"A\rB,C\n1,2\n", "line 1, column 2: a carriage return that does not end the line"},
            {"A,B\n1,\"two\nlines\",3\n", "line 3, column 8: field 3 is one too many; the header has 2 fields"},
            {"A,B\n\"open,quote\n", "line 2, column 1: a quoted field that is never closed"},
            {"A,B\n1,2\n1\n", "line 3, column 1: the line ends after 1 of the header's 2 fields"},
            {"A,B\nx\"y,2\n", "line 2, column 2: a quote inside a field"},
            {"A,B\n\xC3\xA4,\xE4\n", "line 2, column 3: the text is not UTF-8"},
            {QByteArray("A,B\n1,2\0\n", 9), "line 2, column 4: a NUL character"},
            {"A,B\n1,2\n\n3,4\n", "line 3, column 1: an empty line; the header has 2 fields"},
            {"A,B\n" + QByteArray(256, 'x') + ",2\n", "line 2: A value of column \"A\" has 256 characters"},
            {"A,A\n1,2\n", "The column \"A\" appears twice"},
            {"A,,C\n1,2,3\n", "Column 2 of table \"table1\" has no name"},
            {"\n1\n", "line 1 is empty; it must name the columns"},
            {"", "is empty"},
        };
        for (const Case &c : cases) {
            const auto result = run(kTool, {"create", out, "--csv", writeFile(dir, "bad.csv", c.csv)});
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.err.contains(c.message), result.err.constData());
            QVERIFY(!QFile::exists(out));
            QVERIFY(!QFile::exists(out + ".part"));
        }
        const auto reserved = run(kTool, {"create", out, "--csv", writeFile(dir, "good.csv", "A\n1\n"), "--table", "MSysObjects"});
        QCOMPARE(reserved.exitCode, 1);
        QVERIFY(reserved.err.contains("The table name \"MSysObjects\" is reserved"));
    }

    void failuresNameThePathAndTheReason()
    {
        QTemporaryDir dir;
        const QString csv = writeFile(dir, "good.csv", "A\n1\n");
        // OUT is a folder: nothing written, nothing left behind.
        QVERIFY(QDir(dir.path()).mkdir("folder.mdb"));
        const auto folder = run(kTool, {"create", dir.filePath("folder.mdb"), "--csv", csv});
        QCOMPARE(folder.exitCode, 1);
        QCOMPARE(folder.err, "driverdb: cannot write " + dir.filePath("folder.mdb").toUtf8() + ": it is a folder\n");
        QVERIFY(!QFile::exists(dir.filePath("folder.mdb.part")));

        // A file that is no database is named as given, folder and all.
        const auto notJet = run(kTool, {"dump", csv});
        QCOMPARE(notJet.exitCode, 1);
        QCOMPARE(notJet.err, "driverdb: The file \"" + csv.toUtf8() + "\" is not a Jet (Access) database.\n");
        const auto missing = run(kTool, {"dump", dir.filePath("none.mdb")});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.contains(dir.filePath("none.mdb").toUtf8() + "\" was not found"));

        // Output that cannot be written is a failure.
        const QString out = dir.filePath("out.mdb");
        QCOMPARE(run(kTool, {"create", out, "--csv", csv}).exitCode, 0);
        QProcess full;
        full.setStandardOutputFile(QStringLiteral("/dev/full"));
        full.start(kTool, {"dump", out});
        QVERIFY(full.waitForFinished());
        QCOMPARE(full.exitCode(), 1);
        QVERIFY(full.readAllStandardError().contains("cannot write the output"));

        JET_SAMPLES_OR_SKIP();
        const auto jet3 = run(kTool, {"info", sample("mdbreader_V1997_no-password.mdb")});
        QCOMPARE(jet3.exitCode, 1);
        QVERIFY(jet3.err.contains("Access 97 format (Jet 3)"));
        const auto noTable = run(kTool, {"dump", sample("mdbreader_V2000_no-password.mdb"), "Nope"});
        QCOMPARE(noTable.exitCode, 1);
        QVERIFY(noTable.err.contains("has no table \"Nope\""));
        const auto otherPassword = run(kTool, {"dump", sample("mdbreader_V2000_with-password.mdb")});
        QCOMPARE(otherPassword.exitCode, 1);
        QVERIFY(otherPassword.err.contains("protected by a different password"));
    }

    void commandLineFollowsTheConvention()
    {
        QTemporaryDir dir;
        // dump and info open a file with the driver database's password, as create writes it.
        const QString out = dir.filePath("DriverData.mdb");
        QCOMPARE(run(kTool, {"create", out, "--csv", writeFile(dir, "in.csv", "A\n1\n")}).exitCode, 0);
        QCOMPARE(run(kTool, {"dump", out}).out, QByteArray("A\n\"1\"\n"));
        QVERIFY(run(kTool, {"info", out}).out.contains("Password: set\nTables:\n  table1: 1 rows\n"));
        QVERIFY(run(kTool, {"info", out, "--password", "other"}).err.contains("protected by a different password"));

        const auto version = run(kTool, {"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("driverdb 1.01\n"));
        const auto help = run(kTool, {"--help"});
        QCOMPARE(help.exitCode, 0);
        for (const char *text : {"driverdb create OUT.mdb --csv FILE", "--empty-text", "ISO 8601", "braced GUID",
                                 "an unquoted empty\n  field is NULL", "mdb-export FILE table1"})
            QVERIFY2(help.out.contains(text), text);

        // Usage errors: status 2, a message on the standard error.
        for (const QStringList &wrong : {QStringList{}, QStringList{"create", out}, QStringList{"dump", out, "--colour", "red"},
                                         QStringList{"frobnicate"}, QStringList{"dump", out, "--csv", "x.csv"},
                                         QStringList{"dump", out, "--password"}, QStringList{"info"}}) {
            const auto result = run(kTool, wrong);
            QCOMPARE(result.exitCode, 2);
            QVERIFY(result.out.isEmpty());
            QVERIFY(result.err.startsWith("driverdb: "));
        }
    }
};

QTEST_GUILESS_MAIN(DriverdbTest)
#include "test_driverdb.moc"
