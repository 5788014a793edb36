#pragma once
// Writing Jet 4 (Access 2000 format) database files with tables of text columns.
//
// Pages go to the file as they fill up, so memory stays flat whatever the row count. The file
// carries a database password; its pages are not encoded.
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace platform::jet {

class JetWriter {
public:
    // Creates (or replaces) the file; raises JetError when it cannot be written.
    JetWriter(const QString &path, const QString &password);
    ~JetWriter();
    JetWriter(const JetWriter &) = delete;
    JetWriter &operator=(const JetWriter &) = delete;

    // Starts a table of TEXT(255) columns; the rows that follow belong to it.
    void beginTable(const QString &name, const QStringList &columns);
    // One row: a value per column, std::nullopt for NULL. Raises JetError for a value longer than
    // 255 characters or a wrong number of values.
    void addRow(const std::vector<std::optional<QString>> &values);
    // Writes the table definitions and the catalogue; the file is complete after this.
    void finish();

    static constexpr int kMaxTextLength = 255;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace platform::jet
