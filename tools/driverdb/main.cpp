// driverdb: creates, dumps and describes Jet 4 database files such as the driver database.
#include "csv.h"

#include "platform/jet/jetdatabase.h"
#include "platform/jet/jetwriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>

#include <cstdio>

using namespace platform::jet;

namespace {

const char kUsage[] =
    "Usage:\n"
    "  driverdb create OUT.mdb --csv FILE [--table NAME] [--password PW]\n"
    "      Writes a Jet 4 (Access 2000) database with one table of text columns from a CSV file\n"
    "      (UTF-8, header row with the column names; \"\" is the empty text, an empty unquoted\n"
    "      field is NULL). The table defaults to table1, the password to the driver database's.\n"
    "      An empty password (--password \"\") writes a file without one.\n"
    "  driverdb dump FILE [TABLE] [--password PW]\n"
    "      Prints a table (default: the first one) as CSV.\n"
    "  driverdb info FILE\n"
    "      Prints the version, whether a password is set, and the tables with their row counts.\n"
    "  driverdb --help\n";

struct UsageError {
    QString text;
};

void print(FILE *stream, const QString &text) { std::fputs(text.toLocal8Bit().constData(), stream); }

// Arguments: positional ones in order, options as --name value.
struct Arguments {
    QStringList positional;
    QMap<QString, QString> options;

    Arguments(const QStringList &arguments, const QStringList &known)
    {
        for (qsizetype i = 0; i < arguments.size(); ++i) {
            const QString &argument = arguments[i];
            if (argument.startsWith(QLatin1String("--"))) {
                if (!known.contains(argument))
                    throw UsageError{QStringLiteral("unknown option %1").arg(argument)};
                if (i + 1 == arguments.size())
                    throw UsageError{QStringLiteral("%1 needs a value").arg(argument)};
                options.insert(argument, arguments[++i]);
            } else {
                positional.append(argument);
            }
        }
    }
};

int create(const Arguments &args)
{
    if (args.positional.size() != 1 || !args.options.contains(QStringLiteral("--csv")))
        throw UsageError{QStringLiteral("create needs OUT.mdb and --csv FILE")};
    const QString out = args.positional[0];
    const QString csvPath = args.options.value(QStringLiteral("--csv"));
    QFile csvFile(csvPath);
    if (!csvFile.open(QIODevice::ReadOnly))
        throw JetError(QStringLiteral("cannot read %1: %2").arg(csvPath, csvFile.errorString()));
    CsvReader csv(csvFile);
    CsvRecord record;
    if (!csv.next(record))
        throw JetError(QStringLiteral("%1 is empty; it needs a header row with the column names").arg(csvPath));
    QStringList columns;
    for (const auto &name : record)
        columns.append(name.value_or(QString()));

    // Written beside the target and renamed at the end, so a failure never leaves half a database.
    const QString partial = out + QStringLiteral(".part");
    qint64 rows = 0;
    try {
        JetWriter writer(partial, args.options.value(QStringLiteral("--password"), QString::fromLatin1(kDriverDatabasePassword)));
        writer.beginTable(args.options.value(QStringLiteral("--table"), QString::fromLatin1(kDriverTable)), columns);
        while (csv.next(record)) {
            if (record.size() != std::size_t(columns.size()))
                throw JetError(QStringLiteral("%1 line %2 has %3 fields; the header has %4")
                                   .arg(csvPath).arg(csv.line()).arg(record.size()).arg(columns.size()));
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
    QFile::remove(out);
    if (!QFile::rename(partial, out))
        throw JetError(QStringLiteral("cannot replace %1").arg(out));
    print(stdout, QStringLiteral("%1: %2 rows\n").arg(out).arg(rows));
    return 0;
}

int dump(const Arguments &args)
{
    if (args.positional.isEmpty() || args.positional.size() > 2)
        throw UsageError{QStringLiteral("dump needs FILE and at most one TABLE")};
    const auto password = args.options.contains(QStringLiteral("--password"))
        ? std::optional<QString>(args.options.value(QStringLiteral("--password")))
        : std::optional<QString>(QString());
    const JetDatabase database = JetDatabase::open(args.positional[0], password);
    QString name;
    if (args.positional.size() == 2) {
        name = args.positional[1];
    } else {
        const QStringList tables = database.tableNames();
        if (tables.isEmpty())
            throw JetError(QStringLiteral("%1 has no tables").arg(args.positional[0]));
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
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        throw JetError(QStringLiteral("cannot write to the standard output"));
    out.write(csvLine(record, {}));
    for (JetRowCursor rows = table.rows(); rows.next();) {
        for (int i = 0; i < columns.size(); ++i)
            record[std::size_t(i)] = rows.value(i);
        out.write(csvLine(record, quoted));
    }
    return 0;
}

int info(const Arguments &args)
{
    if (args.positional.size() != 1)
        throw UsageError{QStringLiteral("info needs FILE")};
    const JetDatabase database = JetDatabase::open(args.positional[0], std::nullopt);
    print(stdout, QStringLiteral("Version: Jet 4 (Access 2000 file format)\nPassword: %1\nTables:\n")
                      .arg(database.hasPassword() ? QStringLiteral("set") : QStringLiteral("none")));
    for (const QString &name : database.tableNames()) {
        qint64 rows = 0;
        for (JetRowCursor cursor = database.table(name).rows(); cursor.next();)
            ++rows;
        print(stdout, QStringLiteral("  %1: %2 rows\n").arg(name).arg(rows));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    try {
        if (arguments.isEmpty())
            throw UsageError{QStringLiteral("no command given")};
        const QString command = arguments.takeFirst();
        if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
            print(stdout, QString::fromLatin1(kUsage));
            return 0;
        }
        if (command == QLatin1String("create"))
            return create(Arguments(arguments, {"--csv", "--table", "--password"}));
        if (command == QLatin1String("dump"))
            return dump(Arguments(arguments, {"--password"}));
        if (command == QLatin1String("info"))
            return info(Arguments(arguments, {}));
        throw UsageError{QStringLiteral("unknown command %1").arg(command)};
    } catch (const UsageError &error) {
        print(stderr, QStringLiteral("driverdb: %1\n\n%2").arg(error.text, QString::fromLatin1(kUsage)));
        return 2;
    } catch (const JetError &error) {
        print(stderr, QStringLiteral("driverdb: %1\n").arg(error.text()));
        return 1;
    }
}
