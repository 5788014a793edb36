#include "csv.h"

#include <QStringEncoder>

void CsvReader::fail(qint64 line, qint64 column, const QString &what) const
{
    throw CsvError(QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(what));
}

int CsvReader::peek()
{
    if (position_ == buffer_.size()) {
        buffer_ = file_.read(1 << 16);
        position_ = 0;
        if (buffer_.isEmpty())
            return -1;
    }
    return static_cast<unsigned char>(buffer_[position_]);
}

// The next byte, with its place counted and checked as UTF-8 on the way.
int CsvReader::get()
{
    const int c = peek();
    if (c == -1) {
        if (utf8Due_ > 0)
            fail(line_, utf8Column_, QStringLiteral("a character is cut short at the end of the file"));
        return c;
    }
    ++position_;
    const auto byte = uint8_t(c);
    if (utf8Due_ > 0) {
        if (byte < utf8Low_ || byte > utf8High_)
            fail(line_, utf8Column_, QStringLiteral("the text is not UTF-8; save the file as UTF-8 (CSV UTF-8)"));
        utf8Low_ = 0x80;
        utf8High_ = 0xBF;
        --utf8Due_;
        return c;
    }
    if (column_ < 0) { // the byte before was a line feed
        ++line_;
        column_ = 0;
    }
    ++column_;
    if (byte == '\n')
        column_ = -1;
    if (byte == 0)
        failHere(QStringLiteral("a NUL character; the file is not UTF-8 text (if it is UTF-16, save it as UTF-8)"));
    if (byte < 0x80)
        return c;
    // The first byte of a multi-byte character says how many follow and, for some, their range
    // (no overlong forms, no surrogates, nothing past U+10FFFF).
    utf8Column_ = column_;
    if (byte >= 0xC2 && byte <= 0xDF) {
        utf8Due_ = 1;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        utf8Due_ = 2;
        if (byte == 0xE0)
            utf8Low_ = 0xA0;
        else if (byte == 0xED)
            utf8High_ = 0x9F;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        utf8Due_ = 3;
        if (byte == 0xF0)
            utf8Low_ = 0x90;
        else if (byte == 0xF4)
            utf8High_ = 0x8F;
    } else {
        failHere(QStringLiteral("the text is not UTF-8; save the file as UTF-8 (CSV UTF-8)"));
    }
    return c;
}

bool CsvReader::restIsBlank()
{
    for (int c = get();; c = get()) {
        if (c == -1)
            return true;
        if (c != '\r' && c != '\n')
            return false;
    }
}

bool CsvReader::next(CsvRecord &record)
{
    record.clear();
    if (!started_) {
        started_ = true;
        peek();
        if (buffer_.startsWith("\xFF\xFE") || buffer_.startsWith("\xFE\xFF"))
            fail(1, 1, QStringLiteral("the file is UTF-16 text (as a spreadsheet's \"Unicode text\" export writes it); "
                                      "save it as CSV UTF-8"));
        // A byte-order mark some editors put in front of UTF-8.
        if (buffer_.startsWith("\xEF\xBB\xBF"))
            position_ = 3;
    }
    int c = get();
    if (c == -1)
        return false;
    recordLine_ = line_;
    if (width_ > 1 && (c == '\n' || (c == '\r' && peek() == '\n'))) {
        if (restIsBlank())
            return false;
        fail(recordLine_, 1, QStringLiteral("an empty line; the header has %1 fields").arg(width_));
    }
    QByteArray field;
    bool quoted = false;
    qint64 fieldLine = line_, fieldColumn = column_;
    auto finishField = [&] {
        if (width_ > 0 && record.size() == width_)
            fail(fieldLine, fieldColumn, QStringLiteral("field %1 is one too many; the header has %2 fields").arg(width_ + 1).arg(width_));
        if (quoted || !field.isEmpty())
            record.push_back(utf8_(field)); // checked as UTF-8 while it was read
        else
            record.push_back(emptyIsText_ ? std::optional<QString>(QString()) : std::nullopt);
        field.clear();
        quoted = false;
    };
    for (;;) {
        if (c == '"' && field.isEmpty() && !quoted) {
            quoted = true;
            for (;;) {
                c = get();
                if (c == -1)
                    fail(fieldLine, fieldColumn, QStringLiteral("a quoted field that is never closed"));
                if (c == '"') {
                    c = get();
                    if (c != '"')
                        break;
                }
                field.append(char(c));
            }
            if (c != ',' && c != '\n' && c != '\r' && c != -1)
                failHere(QStringLiteral("text after a closing quote (a quote inside a quoted field is written \"\")"));
            continue;
        }
        if (c == ',') {
            finishField();
            c = get();
            fieldLine = line_;
            fieldColumn = column_;
            continue;
        }
        if (c == '\r' || c == '\n' || c == -1) {
            if (c == '\r') {
                const qint64 crLine = line_, crColumn = column_;
                c = get();
                if (c != '\n' && c != -1)
                    fail(crLine, crColumn, QStringLiteral("a carriage return that does not end the line"));
            }
            finishField();
            if (width_ > 0 && record.size() < width_)
                fail(fieldLine, fieldColumn, QStringLiteral("the line ends after %1 of the header's %2 fields").arg(record.size()).arg(width_));
            return true;
        }
        if (c == '"')
            failHere(QStringLiteral("a quote inside a field that is not quoted (quote the whole field and write it as \"\")"));
        field.append(char(c));
        c = get();
    }
}

QByteArray csvLine(const CsvRecord &record, const std::vector<bool> &quoted)
{
    QByteArray line;
    QStringEncoder utf8(QStringEncoder::Utf8);
    // UTF-8 straight into the line, without a copy of the text on the way (a memo can be large).
    auto append = [&](QStringView text) {
        const qsizetype size = line.size();
        line.resize(size + utf8.requiredSpace(text.size()));
        line.resize(utf8.appendToBuffer(line.data() + size, text) - line.constData());
    };
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (i > 0)
            line.append(',');
        if (!record[i])
            continue;
        const QString &text = *record[i];
        const bool quote = (i < quoted.size() && quoted[i]) || text.isEmpty() || text.contains(u',') || text.contains(u'"')
            || text.contains(u'\n') || text.contains(u'\r');
        if (!quote) {
            append(text);
            continue;
        }
        line.append('"');
        for (qsizetype from = 0;;) {
            const qsizetype mark = text.indexOf(u'"', from);
            append(QStringView(text).mid(from, (mark < 0 ? text.size() : mark) - from));
            if (mark < 0)
                break;
            line.append("\"\"");
            from = mark + 1;
        }
        line.append('"');
    }
    line.append('\n');
    return line;
}
