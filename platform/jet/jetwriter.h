#pragma once
// Writing Jet 4 (Access 2000 format) database files with tables of text columns.
//
// Pages go to the file as they fill up, so memory stays flat whatever the row count. The file
// carries a database password; its pages are not encoded.
#include "jetformat.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace platform::jet {

class JetWriter {
public:
    // Creates (or replaces) the file; raises JetError when it cannot be written. The file never grows
    // past sizeLimit bytes (at most Jet's own limit): a row that would need more is refused.
    JetWriter(const QString &path, const QString &password, qint64 sizeLimit = format::kMaxDatabaseSize);
    ~JetWriter();
    JetWriter(const JetWriter &) = delete;
    JetWriter &operator=(const JetWriter &) = delete;

    // Starts a table of TEXT(255) columns; the rows that follow belong to it. Raises JetError for a
    // name Jet reserves or cannot keep.
    void beginTable(const QString &name, const QStringList &columns);
    // One row: a value per column, std::nullopt for NULL. Raises JetError for a value longer than
    // 255 UTF-16 units, a wrong number of values, or a file that would grow past its limit.
    void addRow(const std::vector<std::optional<QString>> &values);
    // Writes the table definitions and the catalogue; the file is complete after this.
    void finish();

    // Jet's limits; lengths count UTF-16 units, as Jet stores text.
    static constexpr int kMaxTextLength = 255;
    static constexpr int kMaxNameLength = 64;
    static constexpr int kMaxColumns = 255;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace platform::jet
