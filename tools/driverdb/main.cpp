// driverdb: creates, dumps and describes Jet 4 database files such as the driver database.
#include "csv.h"

#include "platform/jet/jetdatabase.h"
#include "platform/jet/jetwriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

using namespace platform::jet;

namespace {

const char kCommands[] = R"(
Commands:
  driverdb create OUT.mdb --csv FILE [--table NAME] [--password PW] [--empty-text]
      Writes a Jet 4 (Access 2000) database with one table of text columns from a CSV file.
      The table defaults to table1, the password to the driver database's; --password ""
      writes a file without one. OUT is written as OUT.part and replaces OUT when complete.
      Jet's limits hold: 255 columns, names of 64 and values of 255 UTF-16 units (a character
      outside the Basic Multilingual Plane, such as an emoji, takes two), a row within one
      4096-byte page, and 2 GB for the file.
  driverdb dump FILE [TABLE] [--password PW]
      Prints a table (default: the first one) as CSV.
  driverdb info FILE [--password PW]
      Prints the version, whether a password is set, and the tables with their row counts.
  dump and info open FILE with the driver database's password unless --password gives
  another one; a file without a password opens whatever is given.

CSV, as create reads it and dump writes it:
  UTF-8 (a byte-order mark in front is allowed), fields separated by commas, lines ended by
  LF or CRLF; the first line names the columns. A field that holds a comma, a quote or a line
  break is quoted, and a quote inside it is doubled.
  NULL and the empty text: a quoted field is text, so "" is the empty text; an unquoted empty
  field is NULL. dump quotes every text, so create gives back exactly the table dump printed.
  Files from mdb-export: mdb-export prints NULL and the empty text alike, as nothing. Import
  them with --empty-text, which reads an unquoted empty field as the empty text (the driver
  database relies on empty texts, such as an empty Architecture), so NULLs become "":
      mdb-export FILE table1 > table1.csv
      driverdb create OUT.mdb --csv table1.csv --empty-text
  Blank lines at the end of the file are ignored, except in a one-column table: there a
  blank line is a row with an empty field, which is how dump and mdb-export print one.
  dump prints the other kinds of column as:
      Date/Time             ISO 8601 to the second (milliseconds when there are any):
                            "2024-05-31T13:45:00"; outside the years 100 to 9999, the
                            stored number of days since 1899-12-30
      Currency              exact, with four decimals: -922337203685477.5808
      Single, Double        the shortest decimal that reads back as the same number:
                            0.30000000000000004, 1e+300
      Replication ID        a braced GUID: {6B29FC40-CA47-1067-B31D-00DD010662DA}
      Byte, Integer, Long   decimal numbers
      Yes/No                1 or 0
      Binary, OLE Object, Decimal   the stored bytes in hexadecimal
  Text, Memo and Date/Time values are quoted, the others not.
)";

struct UsageError {
    QString text;
};

void print(FILE *stream, const QString &text) { std::fputs(text.toLocal8Bit().constData(), stream); }

// The standard output, checked: output that cannot be written (a full disk, a closed pipe) is a
// failure with a message, not a silent success.
class Output {
public:
    Output() { std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16); }
    void write(const QByteArray &bytes)
    {
        if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) != std::size_t(bytes.size()))
            fail();
    }
    void write(const QString &text) { write(text.toLocal8Bit()); }
    void finish()
    {
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            fail();
    }

private:
    [[noreturn]] static void fail()
    {
        throw JetError(QStringLiteral("cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
};

std::filesystem::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

struct Options {
    QCommandLineOption csv{QStringLiteral("csv"), QStringLiteral("create: the CSV file to read."), QStringLiteral("FILE")};
    QCommandLineOption table{QStringLiteral("table"), QStringLiteral("create: the name of the table (default table1)."),
                             QStringLiteral("NAME")};
    QCommandLineOption password{QStringLiteral("password"),
                                QStringLiteral("The database password (default: the driver database's; \"\" for none)."),
                                QStringLiteral("PW")};
    QCommandLineOption emptyText{QStringLiteral("empty-text"),
                                 QStringLiteral("create: read an unquoted empty field as the empty text, not as NULL "
                                                "(for files from mdb-export).")};
};

QString password(const QCommandLineParser &parser, const Options &options)
{
    return parser.isSet(options.password) ? parser.value(options.password) : QString::fromLatin1(kDriverDatabasePassword);
}

int create(const QCommandLineParser &parser, const Options &options, const QStringList &arguments, Output &output)
{
    if (arguments.size() != 1 || !parser.isSet(options.csv))
        throw UsageError{QStringLiteral("create needs OUT.mdb and --csv FILE")};
    const QString out = arguments[0];
    const QString csvPath = parser.value(options.csv);
    if (QFileInfo(out).isDir())
        throw JetError(QStringLiteral("cannot write %1: it is a folder").arg(out));
    QFile csvFile(csvPath);
    if (!csvFile.open(QIODevice::ReadOnly))
        throw JetError(QStringLiteral("cannot read %1: %2").arg(csvPath, csvFile.errorString()));
    CsvReader csv(csvFile, parser.isSet(options.emptyText));

    // Written beside the target and moved over it at the end, so a failure never leaves half a database.
    const QString partial = out + QStringLiteral(".part");
    qint64 rows = 0;
    try {
        CsvRecord record;
        if (!csv.next(record))
            throw JetError(QStringLiteral("%1 is empty; its first line must name the columns").arg(csvPath));
        if (record.size() == 1 && record[0].value_or(QString()).isEmpty())
            throw JetError(QStringLiteral("%1: line 1 is empty; it must name the columns").arg(csvPath));
        QStringList columns;
        for (const auto &name : record)
            columns.append(name.value_or(QString()));
        csv.setWidth(record.size());
        JetWriter writer(partial, password(parser, options));
        writer.beginTable(parser.isSet(options.table) ? parser.value(options.table) : QString::fromLatin1(kDriverTable), columns);
        while (csv.next(record)) {
            try {
                writer.addRow(record);
            } catch (const JetError &error) {
                throw JetError(QStringLiteral("%1 line %2: %3").arg(csvPath).arg(csv.line()).arg(error.text()));
            }
            ++rows;
        }
        writer.finish();
    } catch (const CsvError &error) {
        QFile::remove(partial);
        throw JetError(QStringLiteral("%1: %2").arg(csvPath, error.text()));
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    std::error_code error;
    std::filesystem::rename(nativePath(partial), nativePath(out), error);
    if (error) {
        QFile::remove(partial);
        throw JetError(QStringLiteral("cannot replace %1: %2").arg(out, QString::fromLocal8Bit(error.message().c_str())));
    }
    output.write(QStringLiteral("%1: %2 rows\n").arg(out).arg(rows));
    return 0;
}

int dump(const QCommandLineParser &parser, const Options &options, const QStringList &arguments, Output &output)
{
    if (arguments.isEmpty() || arguments.size() > 2)
        throw UsageError{QStringLiteral("dump needs FILE and at most one TABLE")};
    const JetDatabase database = JetDatabase::open(arguments[0], password(parser, options));
    QString name;
    if (arguments.size() == 2) {
        name = arguments[1];
    } else {
        const QStringList tables = database.tableNames();
        if (tables.isEmpty())
            throw JetError(QStringLiteral("%1 has no tables").arg(arguments[0]));
        name = tables.first();
    }
    const JetTable table = database.table(name);
    const QStringList columns = table.columnNames();
    std::vector<bool> quoted;
    CsvRecord record;
    for (int i = 0; i < columns.size(); ++i) {
        const QString type = table.columnType(i);
        quoted.push_back(type == QLatin1String("Text") || type == QLatin1String("Memo") || type == QLatin1String("Date/Time"));
        record.push_back(columns[i]);
    }
    output.write(csvLine(record, {}));
    for (JetRowCursor rows = table.rows(); rows.next();) {
        for (int i = 0; i < columns.size(); ++i)
            record[std::size_t(i)] = rows.value(i);
        output.write(csvLine(record, quoted));
    }
    return 0;
}

int info(const QCommandLineParser &parser, const Options &options, const QStringList &arguments, Output &output)
{
    if (arguments.size() != 1)
        throw UsageError{QStringLiteral("info needs FILE")};
    const JetDatabase database = JetDatabase::open(arguments[0], password(parser, options));
    output.write(QStringLiteral("Version: Jet 4 (Access 2000 file format)\nPassword: %1\nTables:\n")
                     .arg(database.hasPassword() ? QStringLiteral("set") : QStringLiteral("none")));
    for (const QString &name : database.tableNames()) {
        qint64 rows = 0;
        for (JetRowCursor cursor = database.table(name).rows(); cursor.next();)
            ++rows;
        output.write(QStringLiteral("  %1: %2 rows\n").arg(name).arg(rows));
    }
    return 0;
}

int run(const QStringList &commandLine)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Creates, dumps and describes Jet 4 (Access 2000) database files "
                                                    "such as the driver database."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const Options options;
    for (const QCommandLineOption &option : {options.csv, options.table, options.password, options.emptyText})
        parser.addOption(option);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("create, dump or info (see Commands)."),
                                 QStringLiteral("COMMAND ARGUMENTS..."));
    if (!parser.parse(commandLine))
        throw UsageError{parser.errorText()};
    Output output;
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        output.write(parser.helpText() + QString::fromUtf8(kCommands));
        output.finish();
        return 0;
    }
    if (parser.isSet(version)) {
        output.write(QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion()));
        output.finish();
        return 0;
    }
    QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty())
        throw UsageError{QStringLiteral("no command given")};
    const QString command = arguments.takeFirst();
    using Command = int (*)(const QCommandLineParser &, const Options &, const QStringList &, Output &);
    Command handler = nullptr;
    QList<const QCommandLineOption *> allowed{&options.password};
    if (command == QLatin1String("create")) {
        handler = create;
        allowed += {&options.csv, &options.table, &options.emptyText};
    } else if (command == QLatin1String("dump")) {
        handler = dump;
    } else if (command == QLatin1String("info")) {
        handler = info;
    } else {
        throw UsageError{QStringLiteral("unknown command %1").arg(command)};
    }
    for (const QCommandLineOption *option : {&options.csv, &options.table, &options.emptyText})
        if (parser.isSet(*option) && !allowed.contains(option))
            throw UsageError{QStringLiteral("--%1 is not an option of %2").arg(option->names().first(), command)};
    const int status = handler(parser, options, arguments, output);
    output.finish();
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("driverdb"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DS_VERSION));
    try {
        return run(QCoreApplication::arguments());
    } catch (const UsageError &error) {
        print(stderr, QStringLiteral("driverdb: %1\nRun \"driverdb --help\" for the commands and options.\n").arg(error.text));
        return 2;
    } catch (const JetError &error) {
        print(stderr, QStringLiteral("driverdb: %1\n").arg(error.text()));
    } catch (const CsvError &error) {
        print(stderr, QStringLiteral("driverdb: %1\n").arg(error.text()));
    } catch (const std::bad_alloc &) {
        print(stderr, QStringLiteral("driverdb: out of memory\n"));
    } catch (const std::exception &error) {
        print(stderr, QStringLiteral("driverdb: %1\n").arg(QString::fromLocal8Bit(error.what())));
    }
    return 1;
}
