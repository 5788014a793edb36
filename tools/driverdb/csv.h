#pragma once
// CSV as RFC 4180 describes it, in UTF-8. A quoted empty field ("") is the empty text; an
// unquoted empty field is NULL, the same convention mdb-export's output follows.
#include <QFile>
#include <QString>

#include <optional>
#include <stdexcept>
#include <vector>

using CsvRecord = std::vector<std::optional<QString>>;

class CsvError : public std::runtime_error {
public:
    explicit CsvError(const QString &text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString &text() const { return text_; }

private:
    QString text_;
};

// Reads records one at a time from a file; memory holds one record.
class CsvReader {
public:
    explicit CsvReader(QFile &file) : file_(file) {}
    // The next record, or false at the end of the file. Raises CsvError for malformed input.
    bool next(CsvRecord &record);
    // The line the last record started on, for messages.
    qint64 line() const { return recordLine_; }

private:
    int get();
    QFile &file_;
    QByteArray buffer_;
    qsizetype position_ = 0;
    qint64 line_ = 1;
    qint64 recordLine_ = 0;
    bool started_ = false;
};

// One record as CSV text with "\n" at the end. Fields listed in `quoted` are always quoted; the
// others only when they must be.
QByteArray csvLine(const CsvRecord &record, const std::vector<bool> &quoted);
