#pragma once
// Reading Jet 4 (Access 2000 format) database files.
//
// The reader trusts nothing in the file: every offset and length is checked, a row reached through
// a pointer (a part of a long value, a moved row) is reached once per pass, and a damaged or hostile
// file ends in a JetError, never in a crash. Rows are streamed page by page; a pass over a file of
// N bytes costs time linear in N, and memory that does not grow with the table (at worst, for
// crafted pointers or a huge long value, about N).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace platform::jet {

// The database password of the driver database, built into the program.
inline constexpr char kDriverDatabasePassword[] = "velmarith";
// The table of the driver database and the columns the program relies on.
inline constexpr char kDriverTable[] = "table1";
inline const QStringList kDriverColumns{QStringLiteral("Hardware"), QStringLiteral("OS"),
                                         QStringLiteral("Architecture"), QStringLiteral("Link")};

// A file that cannot be read as asked; text() says why in words a user understands.
class JetError : public std::runtime_error {
public:
    explicit JetError(const QString &text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString &text() const { return text_; }

private:
    QString text_;
};

struct JetFile; // the open file, shared by a database, its tables and their cursors
struct JetTableDefinition;

// One pass over the live rows of a table (deleted rows are skipped), in page order.
class JetRowCursor {
public:
    // Moves to the next row; false at the end.
    bool next();
    bool isNull(int column) const;
    // The value as text (numbers, dates and binary data in the form `driverdb dump` prints);
    // std::nullopt for NULL.
    std::optional<QString> value(int column) const;
    // Jet's default text comparison: equal ignoring letter case (Unicode case folding of each
    // UTF-16 unit; accents count). NULL equals nothing.
    bool textEquals(int column, QStringView text) const;

private:
    friend class JetTable;
    JetRowCursor(std::shared_ptr<const JetFile> file, std::shared_ptr<const JetTableDefinition> table);
    struct State;
    std::shared_ptr<State> state_;
};

class JetTable {
public:
    QString name() const;
    QStringList columnNames() const;
    // Index of a column, found by name ignoring case as Jet does; -1 when there is none.
    int columnIndex(const QString &name) const;
    // The kind of a column as Access names it: "Text", "Memo", "Long Integer", "Date/Time", ...
    QString columnType(int column) const;
    // The row count the table definition records.
    quint32 recordedRowCount() const;
    JetRowCursor rows() const;

private:
    friend class JetDatabase;
    JetTable(std::shared_ptr<const JetFile> file, std::shared_ptr<const JetTableDefinition> table);
    std::shared_ptr<const JetFile> file_;
    std::shared_ptr<const JetTableDefinition> table_;
};

class JetDatabase {
public:
    // Opens a Jet 4 file. A file protected by a database password opens only with that password;
    // a file without one opens with any password, as the Jet engine does. std::nullopt skips the
    // check, for tools that only describe a file.
    static JetDatabase open(const QString &path, const std::optional<QString> &password);
    // The same from bytes already in memory.
    static JetDatabase openBytes(const QByteArray &bytes, const std::optional<QString> &password);

    bool hasPassword() const;
    // The user tables, in catalogue order.
    QStringList tableNames() const;
    // A table by name, ignoring case (system tables too); raises JetError when there is none.
    JetTable table(const QString &name) const;

private:
    explicit JetDatabase(std::shared_ptr<const JetFile> file);
    static JetDatabase openFile(std::shared_ptr<JetFile> file, const std::optional<QString> &password);
    std::shared_ptr<const JetFile> file_;
};

// Checks that a file is a driver database this program can use: a complete Jet 4 file that opens
// with the built-in password and has the driver table with its four columns, whose values in every
// row read as a lookup reads them (other columns are not read). Raises JetError saying what is wrong.
void checkDriverDatabase(const QString &path);

} // namespace platform::jet
