#pragma once
// CSV as RFC 4180 describes it, in UTF-8. A quoted field is text ("" is the empty text); an unquoted
// empty field is NULL, or the empty text when the reader is told so (mdb-export prints NULL and the
// empty text alike, as nothing).
#include <QFile>
#include <QString>
#include <QStringDecoder>

#include <optional>
#include <stdexcept>
#include <vector>

using CsvRecord = std::vector<std::optional<QString>>;

// Malformed input; the text names the line and column, counted in characters from 1.
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
    explicit CsvReader(QFile &file, bool emptyIsText = false) : file_(file), emptyIsText_(emptyIsText) {}
    // Records after the first must have this many fields. Blank lines at the end of the file are
    // then ignored, except in a one-column table, where a blank line is a value.
    void setWidth(std::size_t width) { width_ = width; }
    // The next record, or false at the end of the file. Raises CsvError for malformed input.
    bool next(CsvRecord &record);
    // The line the last record started on, for messages.
    qint64 line() const { return recordLine_; }

private:
    int get();
    int peek();
    [[noreturn]] void fail(qint64 line, qint64 column, const QString &what) const;
    [[noreturn]] void failHere(const QString &what) const { fail(line_, column_, what); }
    bool restIsBlank();

    QFile &file_;
    bool emptyIsText_;
    std::size_t width_ = 0;
    QByteArray buffer_;
    qsizetype position_ = 0;
    bool started_ = false;
    // Where the byte get() returned last lies.
    qint64 line_ = 1;
    qint64 column_ = 0;
    qint64 recordLine_ = 0;
    // UTF-8 checking: continuation bytes still due, and the range the next one must lie in.
    int utf8Due_ = 0;
    uint8_t utf8Low_ = 0x80, utf8High_ = 0xBF;
    qint64 utf8Column_ = 0;
    // A field that starts with U+FEFF keeps it.
    QStringDecoder utf8_{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
};

// One record as CSV text with "\n" at the end. Fields listed in `quoted` are always quoted; the
// others only when they must be.
QByteArray csvLine(const CsvRecord &record, const std::vector<bool> &quoted);
