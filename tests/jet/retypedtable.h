#pragma once
// A table of other kinds than text, for tests and the fuzz target: our writer makes a table ("m")
// whose every value takes the same number of bytes, then its columns become the given kinds. The
// values of long-value (MEMO, OLE) columns become descriptors (12 bytes, and inline data after
// them) whose parts lie on pages of long-value rows ("LVAL" pages) added at the end of the file;
// fixed-size kinds (numbers, dates, GUIDs) take the first bytes of their value's place.
#include "platform/jet/jetformat.h"
#include "platform/jet/jetwriter.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

namespace jettests {

class RetypedTable {
public:
    // Every value of a long-value column starts as a descriptor of an empty inline value; a Text
    // column holds placeholder(valueSize). valueSize: an even number of bytes, at least 12.
    RetypedTable(const QStringList &columns, const std::vector<uint8_t> &types, int rows, int valueSize = 12,
                 const QString &table = QStringLiteral("m"))
        : valueSize_(valueSize)
    {
        using namespace platform::jet;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("m.mdb"));
        {
            JetWriter writer(path, QString());
            writer.beginTable(table, columns);
            for (int i = 0; i < rows; ++i)
                writer.addRow(std::vector<std::optional<QString>>(columns.size(), placeholder(valueSize)));
            writer.finish();
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read the written file");
        bytes = file.readAll();
        uint32_t definition = 0;
        for (uint32_t page = 3; page < pages() && definition == 0; ++page)
            if (at(page)[0] == format::TableDefinitionPage)
                definition = page;
        for (std::size_t i = 0; i < types.size(); ++i) {
            uint8_t *column = at(definition) + 63 + 25 * i;
            column[0] = types[i];
            if (const auto size = fixedSize(types[i])) {
                column[15] |= format::FixedLength;
                format::put16(column + 21, uint16_t(valueSize * int(i)));
                format::put16(column + 23, uint16_t(size));
            }
        }
        for (uint32_t page = definition + 1; page < pages(); ++page) {
            const uint8_t *p = at(page);
            if (p[0] != format::DataPage || format::u32(p + 4) != definition)
                continue;
            for (uint16_t row = 0; row < format::u16(p + 12); ++row) {
                const std::size_t end = row == 0 ? format::kPageSize : format::u16(p + 12 + 2 * row) & 0x1FFF;
                rowStarts_.push_back(std::size_t(page) * format::kPageSize + (format::u16(p + 14 + 2 * row) & 0x1FFF));
                rowEnds_.push_back(std::size_t(page) * format::kPageSize + end);
            }
        }
        for (int row = 0; row < rows; ++row)
            for (std::size_t column = 0; column < types.size(); ++column)
                if (types[column] == format::Memo || types[column] == format::Ole)
                    setValue(row, int(column), 0x80000000, 0);
    }

    // Text that takes `size` bytes, uncompressed.
    static QString placeholder(int size = 12) { return QString(size / 2, QChar(0x0100)); }

    static uint32_t pointer(uint32_t page, int row) { return page << 8 | uint32_t(row); }
    // A part of a chain: the pointer to the next part (0 ends it), then data.
    static QByteArray part(uint32_t next, const QByteArray &data)
    {
        QByteArray bytes(4, '\0');
        platform::jet::format::put32(reinterpret_cast<uint8_t *>(bytes.data()), next);
        return bytes + data;
    }

    // The descriptor of a value: `header` is the length with the flags (0x80000000 inline,
    // 0x40000000 one long-value row, neither a chain), `pointer` the first row; inline data after it.
    void setValue(int row, int column, uint32_t header, uint32_t pointer, const QByteArray &data = {})
    {
        uint8_t *value = reinterpret_cast<uint8_t *>(bytes.data()) + rowStarts_.at(std::size_t(row)) + 2 + valueSize_ * column;
        std::memset(value, 0, std::size_t(valueSize_));
        platform::jet::format::put32(value, header);
        platform::jet::format::put32(value + 4, pointer);
        std::memcpy(value + 12, data.constData(), std::min(std::size_t(data.size()), std::size_t(valueSize_ - 12)));
    }

    // The stored bytes of a value of a fixed-size kind.
    void setBytes(int row, int column, const QByteArray &data)
    {
        std::memcpy(bytes.data() + rowStarts_.at(std::size_t(row)) + 2 + valueSize_ * column, data.constData(),
                    std::min(std::size_t(data.size()), std::size_t(valueSize_)));
    }

    // Clears a value's bit in the row's null mask (tables of up to 8 columns).
    void setNull(int row, int column)
    {
        bytes[qsizetype(rowEnds_.at(std::size_t(row)) - 1)] &= char(~(1 << column));
    }

    // Adds an LVAL page holding these rows (at most what fits) and returns its number.
    uint32_t addPage(const std::vector<QByteArray> &rows)
    {
        using namespace platform::jet::format;
        const uint32_t number = pages();
        QByteArray page(kPageSize, '\0');
        auto *p = reinterpret_cast<uint8_t *>(page.data());
        p[0] = DataPage;
        p[1] = 0x01;
        std::memcpy(p + 4, "LVAL", 4);
        std::size_t top = kPageSize;
        uint16_t count = 0;
        for (const QByteArray &row : rows) {
            if (14 + 2 * (std::size_t(count) + 1) + std::size_t(row.size()) > top)
                break;
            top -= std::size_t(row.size());
            std::memcpy(p + top, row.constData(), std::size_t(row.size()));
            put16(p + 14 + 2 * count, uint16_t(top));
            ++count;
        }
        put16(p + 12, count);
        bytes.append(page);
        return number;
    }

    uint32_t pages() const { return uint32_t(bytes.size() / qsizetype(platform::jet::format::kPageSize)); }

    QByteArray bytes;

private:
    static int fixedSize(uint8_t type)
    {
        using namespace platform::jet::format;
        switch (type) {
        case Byte: return 1;
        case Int: return 2;
        case Long: case Float: return 4;
        case Money: case Double: case DateTime: return 8;
        case Guid: return 16;
        default: return 0;
        }
    }
    int valueSize_;
    std::vector<std::size_t> rowEnds_;
    uint8_t *at(uint32_t page) { return reinterpret_cast<uint8_t *>(bytes.data()) + std::size_t(page) * platform::jet::format::kPageSize; }
    std::vector<std::size_t> rowStarts_;
};

} // namespace jettests
