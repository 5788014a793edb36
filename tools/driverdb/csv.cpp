#include "csv.h"

#include <QStringDecoder>

int CsvReader::get()
{
    if (position_ == buffer_.size()) {
        buffer_ = file_.read(1 << 16);
        position_ = 0;
        if (buffer_.isEmpty())
            return -1;
    }
    return static_cast<unsigned char>(buffer_[position_++]);
}

bool CsvReader::next(CsvRecord &record)
{
    record.clear();
    if (!started_) {
        started_ = true;
        // A byte-order mark some editors put in front of UTF-8.
        buffer_ = file_.read(1 << 16);
        position_ = buffer_.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    }
    recordLine_ = line_;
    QByteArray field;
    bool quoted = false;
    int c = get();
    if (c == -1)
        return false;
    auto finishField = [&] {
        QStringDecoder decode(QStringDecoder::Utf8);
        const QString text = decode(field);
        if (decode.hasError())
            throw CsvError(QStringLiteral("line %1 is not valid UTF-8").arg(recordLine_));
        record.push_back(quoted || !field.isEmpty() ? std::optional<QString>(text) : std::nullopt);
        field.clear();
        quoted = false;
    };
    for (;;) {
        if (c == '"' && field.isEmpty() && !quoted) {
            quoted = true;
            for (;;) {
                c = get();
                if (c == -1)
                    throw CsvError(QStringLiteral("line %1 has a quoted field that is never closed").arg(recordLine_));
                if (c == '"') {
                    c = get();
                    if (c != '"')
                        break;
                }
                if (c == '\n')
                    ++line_;
                field.append(char(c));
            }
            if (c != ',' && c != '\n' && c != '\r' && c != -1)
                throw CsvError(QStringLiteral("line %1 has text after a closing quote").arg(line_));
            continue;
        }
        if (c == ',') {
            finishField();
        } else if (c == '\r' || c == '\n' || c == -1) {
            if (c == '\r' && (c = get()) != '\n' && c != -1)
                throw CsvError(QStringLiteral("line %1 has a carriage return inside a field").arg(line_));
            finishField();
            ++line_;
            return true;
        } else if (c == '"') {
            throw CsvError(QStringLiteral("line %1 has a quote inside a field that is not quoted").arg(line_));
        } else {
            field.append(char(c));
        }
        c = get();
    }
}

QByteArray csvLine(const CsvRecord &record, const std::vector<bool> &quoted)
{
    QByteArray line;
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (i > 0)
            line.append(',');
        if (!record[i])
            continue;
        const QByteArray text = record[i]->toUtf8();
        const bool quote = (i < quoted.size() && quoted[i]) || text.isEmpty() || text.contains(',') || text.contains('"')
            || text.contains('\n') || text.contains('\r');
        if (quote) {
            line.append('"');
            line.append(QByteArray(text).replace("\"", "\"\""));
            line.append('"');
        } else {
            line.append(text);
        }
    }
    line.append('\n');
    return line;
}
