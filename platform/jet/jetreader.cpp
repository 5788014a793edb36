#include "jetdatabase.h"
#include "jetformat.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace platform::jet {

using namespace format;

namespace {

// A table definition longer than this many pages is taken for damage (Jet's limits of 255 columns
// and 32 indexes fit in a handful).
constexpr int kMaxDefinitionPages = 64;
// Jet points from a moved row's first place to its current one; more hops than this are damage.
constexpr int kMaxRowMoves = 8;

QString fileLabel(const QString &path) { return QStringLiteral("\"%1\"").arg(path); }

} // namespace

struct Column {
    QString name;
    uint8_t type = 0;
    uint16_t number = 0;
    uint16_t varIndex = 0;
    uint8_t flags = 0;
    uint16_t fixedOffset = 0;
    uint16_t length = 0;
    bool fixed() const { return flags & FixedLength; }
};

struct JetTableDefinition {
    QString name;
    uint32_t page = 0;
    uint32_t rowCount = 0;
    uint8_t ownedMapRow = 0;
    uint32_t ownedMapPage = 0;
    bool hasVariableColumns = false;
    std::vector<Column> columns; // in column-number order
};

struct CatalogEntry {
    QString name;
    uint32_t page;
    bool system;
};

// The open file: page access, its header facts and the catalogue of tables.
struct JetFile {
    QString label; // how errors name the file
    mutable QFile file;
    QByteArray bytes; // the file's contents when opened from memory
    uint32_t pageCount = 0;
    uint32_t databaseKey = 0;
    bool hasPassword = false;
    std::vector<CatalogEntry> catalog;

    [[noreturn]] void damaged(const char *what) const
    {
        throw JetError(QStringLiteral("The database file %1 is damaged or incomplete (%2).").arg(label, QLatin1String(what)));
    }

    void readPage(uint32_t page, uint8_t *out) const
    {
        if (page >= pageCount)
            damaged("a reference points past the end of the file");
        const qint64 offset = qint64(page) * kPageSize;
        if (file.isOpen()) {
            if (!file.seek(offset) || file.read(reinterpret_cast<char *>(out), kPageSize) != qint64(kPageSize))
                throw JetError(QStringLiteral("The database file %1 could not be read: %2").arg(label, file.errorString()));
        } else {
            std::memcpy(out, bytes.constData() + offset, kPageSize);
        }
        if (databaseKey != 0 && page != 0)
            decodePage(databaseKey, page, {out, kPageSize});
    }

    std::shared_ptr<const JetTableDefinition> readDefinition(uint32_t page, const QString &name) const;
};

namespace {

struct Page {
    std::array<uint8_t, kPageSize> data;
    uint8_t type() const { return data[0]; }
};

// The bytes of row `row` on a data page: [start, end).
struct RowSpan {
    uint16_t start = 0, end = 0;
};

uint16_t rowCountOf(const JetFile &file, const Page &page)
{
    const uint16_t count = u16(&page.data[12]);
    if (14 + 2 * std::size_t(count) > kPageSize)
        file.damaged("a data page lists more rows than fit on it");
    return count;
}

// Where row `row` of a data page lies, whatever its flags say.
RowSpan rowSpan(const JetFile &file, const Page &page, uint16_t count, uint16_t row)
{
    const uint16_t start = u16(&page.data[14 + 2 * row]) & kRowOffsetMask;
    const uint16_t end = row == 0 ? kPageSize : u16(&page.data[14 + 2 * (row - 1)]) & kRowOffsetMask;
    if (start < 14 + 2 * count || start >= end || end > kPageSize)
        file.damaged("a row lies outside its page");
    return RowSpan{start, end};
}

uint16_t rowFlags(const Page &page, uint16_t row) { return u16(&page.data[14 + 2 * row]) & (kDeletedRow | kOverflowRow); }

// The pages a usage map marks, in order. Inline maps carry their bitmap; reference maps point to
// bitmap pages that each cover kPagesPerMapPage pages.
class UsageMapWalk {
public:
    UsageMapWalk(const JetFile &file, uint32_t mapPage, uint8_t mapRow) : file_(file)
    {
        Page page;
        file.readPage(mapPage, page.data.data());
        if (page.type() != DataPage)
            file.damaged("a usage map is not on a data page");
        const uint16_t count = rowCountOf(file, page);
        if (mapRow >= count)
            file.damaged("a usage map row is missing");
        const auto span = rowSpan(file, page, count, mapRow);
        if (span.end - span.start < 5)
            file.damaged("a usage map row is too short");
        const uint8_t *row = &page.data[span.start];
        kind_ = row[0];
        if (kind_ == 0) {
            start_ = u32(row + 1);
            bitmap_.assign(row + 5, static_cast<const uint8_t *>(page.data.data() + span.end));
        } else if (kind_ == 1) {
            for (const uint8_t *p = row + 1; p + 4 <= page.data.data() + span.end; p += 4)
                mapPages_.push_back(u32(p));
        } else {
            file.damaged("a usage map has an unknown kind");
        }
    }

    // The next marked page, or nullopt at the end.
    std::optional<uint32_t> next()
    {
        for (;;) {
            if (bit_ < bitmap_.size() * 8) {
                if (bit_ % 8 == 0 && bitmap_[bit_ / 8] == 0) {
                    bit_ += 8;
                    continue;
                }
                const std::size_t bit = bit_++;
                if (bitmap_[bit / 8] & (1u << (bit % 8)))
                    return uint32_t(start_ + bit);
                continue;
            }
            if (kind_ == 0 || mapIndex_ >= mapPages_.size())
                return std::nullopt;
            const uint32_t index = uint32_t(mapIndex_);
            const uint32_t mapPage = mapPages_[mapIndex_++];
            bitmap_.clear();
            bit_ = 0;
            if (mapPage == 0)
                continue;
            Page page;
            file_.readPage(mapPage, page.data.data());
            if (page.type() != UsageMapPage)
                file_.damaged("a usage map points to a page that is not a map");
            start_ = uint64_t(index) * kPagesPerMapPage;
            bitmap_.assign(page.data.begin() + 4, page.data.end());
        }
    }

private:
    const JetFile &file_;
    uint8_t kind_ = 0;
    uint64_t start_ = 0;
    std::vector<uint8_t> bitmap_;
    std::size_t bit_ = 0;
    std::vector<uint32_t> mapPages_;
    std::size_t mapIndex_ = 0;
};

// Jet 4 text: UCS-2LE, or with "FF FE" in front the compressed form where a zero byte switches
// between one byte per character (high byte 0) and two. Into a std::u16string or a QString,
// unit for unit (QString::fromUtf16 would drop a leading U+FEFF).
template<class String> void decodeText(const uint8_t *data, std::size_t size, String &out)
{
    using Size = decltype(out.size());
    const bool compressed = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    out.resize(Size(compressed ? size - 2 : size / 2)); // compressed: at least one byte a character
    auto *units = reinterpret_cast<char16_t *>(out.data());
    std::size_t length = 0;
    if (compressed) {
        bool oneByte = true;
        for (std::size_t i = 2; i < size;) {
            if (data[i] == 0) {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                units[length++] = char16_t(data[i++]);
            } else {
                if (i + 1 >= size)
                    break;
                units[length++] = char16_t(data[i] | data[i + 1] << 8);
                i += 2;
            }
        }
    } else {
        for (; length < size / 2; ++length)
            units[length] = char16_t(data[2 * length] | data[2 * length + 1] << 8);
    }
    out.resize(Size(length));
}

QString hexText(const uint8_t *data, std::size_t size)
{
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    QString text(qsizetype(2 * size), Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    for (std::size_t i = 0; i < size; ++i) {
        out[2 * i] = kDigits[data[i] >> 4];
        out[2 * i + 1] = kDigits[data[i] & 0xF];
    }
    return text;
}

} // namespace

std::shared_ptr<const JetTableDefinition> JetFile::readDefinition(uint32_t firstPage, const QString &name) const
{
    // The definition may continue on further pages; each repeats the 8-byte page header.
    std::vector<uint8_t> def;
    Page page;
    uint32_t pageNumber = firstPage;
    for (int count = 0; pageNumber != 0; ++count) {
        if (count == kMaxDefinitionPages)
            damaged("a table definition does not end");
        readPage(pageNumber, page.data.data());
        if (page.type() != TableDefinitionPage)
            damaged("a table definition page has the wrong type");
        def.insert(def.end(), page.data.begin() + (count == 0 ? 0 : 8), page.data.end());
        pageNumber = u32(&page.data[4]);
    }
    auto need = [&](std::size_t end) {
        if (end > def.size())
            damaged("a table definition is cut short");
    };
    need(63);
    if (u32(&def[12]) != kTableMagic)
        damaged("a table definition has a wrong mark");
    auto table = std::make_shared<JetTableDefinition>();
    table->name = name;
    table->page = firstPage;
    table->rowCount = u32(&def[16]);
    const uint16_t columnCount = u16(&def[45]);
    const uint32_t realIndexCount = u32(&def[51]);
    table->ownedMapRow = def[55];
    table->ownedMapPage = u24(&def[56]);
    if (realIndexCount > 1000)
        damaged("a table definition lists too many indexes");
    std::size_t pos = 63 + 12 * std::size_t(realIndexCount);
    need(pos + 25 * std::size_t(columnCount));
    for (uint16_t i = 0; i < columnCount; ++i, pos += 25) {
        const uint8_t *d = &def[pos];
        Column column;
        column.type = d[0];
        column.number = u16(d + 5);
        column.varIndex = u16(d + 7);
        column.flags = d[15];
        column.fixedOffset = u16(d + 21);
        column.length = u16(d + 23);
        table->hasVariableColumns |= !column.fixed();
        table->columns.push_back(column);
    }
    for (Column &column : table->columns) {
        need(pos + 2);
        const uint16_t length = u16(&def[pos]);
        need(pos + 2 + length);
        decodeText(&def[pos + 2], length, column.name);
        pos += 2 + length;
    }
    std::stable_sort(table->columns.begin(), table->columns.end(),
                     [](const Column &a, const Column &b) { return a.number < b.number; });
    return table;
}

// ---- rows

struct JetRowCursor::State {
    std::shared_ptr<const JetFile> file;
    std::shared_ptr<const JetTableDefinition> table;
    UsageMapWalk pages;
    Page page;
    std::shared_ptr<const Page> moved; // the page of a row that was moved off its original page
    bool onPage = false;
    uint16_t pageRows = 0;
    uint16_t nextRow = 0;
    // the current row
    const uint8_t *row = nullptr;
    std::size_t rowSize = 0;
    uint16_t rowColumns = 0;
    const uint8_t *nullMask = nullptr;
    uint16_t varCount = 0;
    std::size_t varTable = 0; // offset in the row of var_off[0]
    std::size_t varLimit = 0; // variable data ends before the offset table
    mutable std::u16string scratch;
    // The long values of the current row read so far (MEMO text, OLE hexadecimal), by column
    // number, so that asking again costs nothing and reaches no part twice.
    mutable std::vector<std::pair<uint16_t, QString>> longTexts;
    // Rows reached through a pointer (parts of long values, moved rows), one bit per page and row
    // number: each belongs to one value or row, so a second visit in this pass is a loop or a part
    // shared with another value. Such rows are reached at most once each, and each page they lie
    // on is read once and kept until all its rows have been reached: a pass costs time linear in
    // the size of the file however its pointers hop between pages, and at worst the file's size
    // in memory.
    mutable std::vector<uint64_t> reached;
    struct PointedPage {
        std::shared_ptr<const Page> page;
        int unreached;
    };
    mutable std::unordered_map<uint32_t, PointedPage> pointedPages;

    State(std::shared_ptr<const JetFile> f, std::shared_ptr<const JetTableDefinition> t)
        : file(std::move(f)), table(std::move(t)), pages(*file, table->ownedMapPage, table->ownedMapRow)
    {
    }

    // Marks a row reached through a pointer; raises JetError when it was reached before.
    void reach(uint32_t pageNumber, uint16_t rowNumber, const char *damage) const
    {
        if (pageNumber >= file->pageCount)
            file->damaged("a reference points past the end of the file");
        if (reached.empty())
            reached.assign(std::size_t(file->pageCount) * 4, 0); // 256 row numbers a page
        const std::size_t bit = std::size_t(pageNumber) * 256 + rowNumber;
        uint64_t &word = reached[bit / 64];
        if (word & (uint64_t(1) << (bit % 64)))
            file->damaged(damage);
        word |= uint64_t(1) << (bit % 64);
    }

    // The page of a row reached through a pointer; raises JetError when the row was reached before.
    std::shared_ptr<const Page> reachRow(uint32_t pageNumber, uint16_t rowNumber, const char *damage) const
    {
        reach(pageNumber, rowNumber, damage);
        auto found = pointedPages.find(pageNumber);
        if (found == pointedPages.end()) {
            auto page = std::make_shared<Page>();
            file->readPage(pageNumber, page->data.data());
            const int rows = page->type() == DataPage ? u16(&page->data[12]) : 0;
            found = pointedPages.emplace(pageNumber, PointedPage{std::move(page), rows}).first;
        }
        std::shared_ptr<const Page> page = found->second.page;
        if (--found->second.unreached <= 0)
            pointedPages.erase(found);
        return page;
    }

    bool next()
    {
        longTexts.clear();
        for (;;) {
            while (onPage && nextRow < pageRows) {
                const uint16_t index = nextRow++;
                const uint16_t flags = rowFlags(page, index);
                if (flags & kDeletedRow)
                    continue;
                const RowSpan span = rowSpan(*file, page, pageRows, index);
                if (flags & kOverflowRow)
                    followMovedRow(span);
                else
                    crack(page, span);
                return true;
            }
            const auto pageNumber = pages.next();
            if (!pageNumber)
                return false;
            file->readPage(*pageNumber, page.data.data());
            // A page the map marks that belongs to another table is not ours to read.
            onPage = page.type() == DataPage && u32(&page.data[4]) == table->page;
            pageRows = onPage ? rowCountOf(*file, page) : 0;
            nextRow = 0;
        }
    }

    // A row that grew out of its page leaves a pointer behind (row number, 3-byte page); the row
    // it points to is marked deleted so that a scan meets it only here.
    void followMovedRow(RowSpan span)
    {
        for (int hops = 0;; ++hops) {
            if (hops == kMaxRowMoves || span.end - span.start < 4)
                file->damaged("a moved row cannot be found");
            const uint8_t *pointer = (hops == 0 ? page : *moved).data.data() + span.start;
            const uint16_t index = pointer[0];
            moved = reachRow(u24(pointer + 1), index, "a moved row is reached twice");
            if (moved->type() != DataPage || u32(&moved->data[4]) != table->page)
                file->damaged("a moved row points outside its table");
            const uint16_t count = rowCountOf(*file, *moved);
            if (index >= count)
                file->damaged("a moved row points to a missing row");
            span = rowSpan(*file, *moved, count, index);
            if (!(rowFlags(*moved, index) & kOverflowRow)) {
                crack(*moved, span);
                return;
            }
        }
    }

    void crack(const Page &holder, RowSpan span)
    {
        row = &holder.data[span.start];
        rowSize = span.end - span.start;
        if (rowSize < 2)
            file->damaged("a row is too short");
        rowColumns = u16(row);
        const std::size_t maskSize = (std::size_t(rowColumns) + 7) / 8;
        if (2 + maskSize > rowSize)
            file->damaged("a row is too short for its columns");
        nullMask = row + rowSize - maskSize;
        varCount = 0;
        varLimit = rowSize - maskSize;
        if (table->hasVariableColumns) {
            if (2 + maskSize + 2 > rowSize)
                file->damaged("a row is too short for its columns");
            varCount = u16(row + rowSize - maskSize - 2);
            const std::size_t tableSize = 2 * (std::size_t(varCount) + 1) + 2;
            if (2 + maskSize + tableSize > rowSize)
                file->damaged("a row's offset table does not fit");
            varTable = rowSize - maskSize - 4;
            varLimit = rowSize - maskSize - tableSize;
        }
    }

    const Column &column(int index) const
    {
        if (index < 0 || std::size_t(index) >= table->columns.size())
            throw JetError(QStringLiteral("The table \"%1\" has no column number %2.").arg(table->name).arg(index));
        return table->columns[std::size_t(index)];
    }

    bool nullBit(const Column &c) const
    {
        return c.number >= rowColumns || !(nullMask[c.number / 8] & (1u << (c.number % 8)));
    }

    // The stored bytes of a column; nullopt for NULL.
    std::optional<std::pair<const uint8_t *, std::size_t>> bytes(const Column &c) const
    {
        if (!row)
            throw JetError(QStringLiteral("No row of table \"%1\" is current.").arg(table->name));
        if (nullBit(c))
            return std::nullopt;
        if (c.fixed()) {
            if (c.type == Bool)
                return std::pair<const uint8_t *, std::size_t>{nullptr, 0};
            const std::size_t start = 2 + std::size_t(c.fixedOffset);
            if (start + c.length > varLimit)
                file->damaged("a fixed-length value lies outside its row");
            return std::pair{row + start, std::size_t(c.length)};
        }
        if (c.varIndex >= varCount)
            return std::nullopt;
        const std::size_t start = u16(row + varTable - 2 * std::size_t(c.varIndex));
        const std::size_t end = u16(row + varTable - 2 * (std::size_t(c.varIndex) + 1));
        if (start > end || end > varLimit)
            file->damaged("a variable-length value lies outside its row");
        return std::pair{row + start, end - start};
    }

    // A MEMO or OLE value: inline, in one long-value row, or in a chain of them. Every part read
    // adds its bytes and is reached once, so a value is never longer than the file.
    std::vector<uint8_t> longValue(const uint8_t *data, std::size_t size) const
    {
        if (size < 12)
            file->damaged("a long value's descriptor is too short");
        const uint32_t header = u32(data);
        const std::size_t length = header & 0x3FFFFFFF;
        if (header & 0x80000000)
            return std::vector<uint8_t>(data + 12, data + std::min(size, 12 + length));
        if (length > std::size_t(file->pageCount) * kPageSize)
            file->damaged("a long value is longer than the file");
        std::vector<uint8_t> value;
        uint32_t pointer = u32(data + 4);
        const bool single = header & 0x40000000;
        while (pointer != 0 && value.size() < length) {
            const uint32_t pageNumber = pointer >> 8;
            const uint16_t index = pointer & 0xFF;
            const auto held = reachRow(pageNumber, index, "a long value's parts run in a loop or are shared with another value");
            const Page &page = *held;
            if (page.type() != DataPage)
                file->damaged("a long value points to a page that is not a data page");
            const uint16_t count = rowCountOf(*file, page);
            if (index >= count)
                file->damaged("a long value points to a missing row");
            const auto span = rowSpan(*file, page, count, index);
            const uint8_t *part = &page.data[span.start];
            std::size_t partSize = span.end - span.start;
            if (single) {
                pointer = 0;
            } else {
                if (partSize < 4)
                    file->damaged("a long value's part is too short");
                pointer = u32(part);
                part += 4;
                partSize -= 4;
            }
            value.insert(value.end(), part, part + std::min(partSize, length - value.size()));
        }
        return value;
    }

    // A long value as text: MEMO text, OLE bytes in hexadecimal; std::nullopt for NULL.
    std::optional<QString> longText(const Column &c) const
    {
        for (const auto &[number, text] : longTexts)
            if (number == c.number)
                return text;
        const auto stored = bytes(c);
        if (!stored)
            return std::nullopt;
        const std::vector<uint8_t> value = longValue(stored->first, stored->second);
        QString text;
        if (c.type == Memo)
            decodeText(value.data(), value.size(), text);
        else
            text = hexText(value.data(), value.size());
        return longTexts.emplace_back(c.number, std::move(text)).second;
    }

    std::optional<QString> value(int index) const;
};

namespace {

template<class T> T fixedValue(const uint8_t *data, std::size_t size)
{
    T value{};
    std::memcpy(&value, data, std::min(size, sizeof value));
    return value;
}

// The shortest text that reads back as the same number.
template<class T> QString numberText(T value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, result.ptr - text);
}

// Currency: a 64-bit count of ten-thousandths, printed exactly.
QString currencyText(int64_t value)
{
    const uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
    return QStringLiteral("%1%2.%3").arg(value < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 10000).arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
}

// An OLE automation date: whole days since 1899-12-30, and a fraction that is the time of day,
// counted forward from that day's midnight whatever the sign. Printed in ISO 8601 to the
// millisecond; a number outside Access's years 100 to 9999 is printed as the number.
QString dateText(double days)
{
    if (!std::isfinite(days) || days < -657434.0 || days >= 2958466.0)
        return numberText(days);
    const double whole = std::trunc(days);
    qint64 day = qint64(whole);
    qint64 milliseconds = std::llround(std::fabs(days - whole) * 86400000.0);
    if (milliseconds >= 86400000) {
        milliseconds -= 86400000;
        ++day;
    }
    const QDate date = QDate(1899, 12, 30).addDays(day);
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(milliseconds));
    QString text = QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", date.year(), date.month(), date.day(), time.hour(),
                                     time.minute(), time.second());
    if (time.msec() != 0)
        text += QString::asprintf(".%03d", time.msec());
    return text;
}

// A replication ID in the registry's form: the first three groups are little-endian numbers.
QString guidText(const uint8_t *data, std::size_t size)
{
    if (size != 16)
        return hexText(data, size);
    return QString::asprintf("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", u32(data), u16(data + 4), u16(data + 6),
                             data[8], data[9], data[10], data[11], data[12], data[13], data[14], data[15]);
}

} // namespace

std::optional<QString> JetRowCursor::State::value(int index) const
{
    const Column &c = column(index);
    if (c.type == Memo || c.type == Ole)
        return longText(c);
    if (c.type == Text) {
        const auto stored = bytes(c);
        if (!stored)
            return std::nullopt;
        QString text;
        decodeText(stored->first, stored->second, text);
        return text;
    }
    const auto stored = bytes(c);
    if (!stored)
        return c.type == Bool ? std::optional<QString>(QStringLiteral("0")) : std::nullopt;
    const auto [data, size] = *stored;
    switch (c.type) {
    case Bool: return QStringLiteral("1");
    case Byte: return QString::number(fixedValue<uint8_t>(data, size));
    case Int: return QString::number(fixedValue<int16_t>(data, size));
    case Long: return QString::number(fixedValue<int32_t>(data, size));
    case Money: return currencyText(fixedValue<int64_t>(data, size));
    case Float: return numberText(fixedValue<float>(data, size));
    case Double: return numberText(fixedValue<double>(data, size));
    case DateTime: return dateText(fixedValue<double>(data, size));
    case Guid: return guidText(data, size);
    default: return hexText(data, size);
    }
}

JetRowCursor::JetRowCursor(std::shared_ptr<const JetFile> file, std::shared_ptr<const JetTableDefinition> table)
    : state_(std::make_shared<State>(std::move(file), std::move(table)))
{
}

bool JetRowCursor::next() { return state_->next(); }

bool JetRowCursor::isNull(int column) const
{
    const Column &c = state_->column(column);
    return c.type != Bool && !state_->bytes(c);
}

std::optional<QString> JetRowCursor::value(int column) const { return state_->value(column); }

bool JetRowCursor::textEquals(int column, QStringView text) const
{
    const Column &c = state_->column(column);
    if (c.type != Text) {
        const auto value = state_->value(column);
        return value && QStringView(*value).compare(text, Qt::CaseInsensitive) == 0;
    }
    const auto stored = state_->bytes(c);
    if (!stored)
        return false;
    auto &decoded = state_->scratch;
    decodeText(stored->first, stored->second, decoded);
    return decoded.size() == std::size_t(text.size())
        && QStringView(decoded.data(), qsizetype(decoded.size())).compare(text, Qt::CaseInsensitive) == 0;
}

// ---- tables

JetTable::JetTable(std::shared_ptr<const JetFile> file, std::shared_ptr<const JetTableDefinition> table)
    : file_(std::move(file)), table_(std::move(table))
{
}

QString JetTable::name() const { return table_->name; }

QStringList JetTable::columnNames() const
{
    QStringList names;
    for (const Column &column : table_->columns)
        names.append(column.name);
    return names;
}

int JetTable::columnIndex(const QString &name) const
{
    for (std::size_t i = 0; i < table_->columns.size(); ++i)
        if (table_->columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QString JetTable::columnType(int column) const
{
    if (column < 0 || std::size_t(column) >= table_->columns.size())
        return QString();
    switch (table_->columns[std::size_t(column)].type) {
    case Bool: return QStringLiteral("Yes/No");
    case Byte: return QStringLiteral("Byte");
    case Int: return QStringLiteral("Integer");
    case Long: return QStringLiteral("Long Integer");
    case Money: return QStringLiteral("Currency");
    case Float: return QStringLiteral("Single");
    case Double: return QStringLiteral("Double");
    case DateTime: return QStringLiteral("Date/Time");
    case Binary: return QStringLiteral("Binary");
    case Text: return QStringLiteral("Text");
    case Ole: return QStringLiteral("OLE Object");
    case Memo: return QStringLiteral("Memo");
    case Guid: return QStringLiteral("Replication ID");
    case Numeric: return QStringLiteral("Decimal");
    default: return QStringLiteral("Unknown");
    }
}

quint32 JetTable::recordedRowCount() const { return table_->rowCount; }

JetRowCursor JetTable::rows() const { return JetRowCursor(file_, table_); }

// ---- database

JetDatabase JetDatabase::openFile(std::shared_ptr<JetFile> file, const std::optional<QString> &password)
{
    const qint64 size = file->file.isOpen() ? file->file.size() : file->bytes.size();
    Page header;
    if (size < qint64(kPageSize)) {
        std::memset(header.data.data(), 0, kPageSize);
        if (file->file.isOpen())
            file->file.read(reinterpret_cast<char *>(header.data.data()), size);
        else
            std::memcpy(header.data.data(), file->bytes.constData(), std::size_t(size));
    } else {
        file->pageCount = 1;
        file->readPage(0, header.data.data());
    }
    const char *signature = reinterpret_cast<const char *>(&header.data[4]);
    if (std::memcmp(signature, kAceSignature, sizeof kAceSignature) == 0)
        throw JetError(QStringLiteral("The database file %1 is in the format of Access 2007 or later (ACE); "
                                      "only Access 2000 to 2003 databases (Jet 4) can be read.").arg(file->label));
    if (header.data[0] != HeaderPage || std::memcmp(signature, kSignature, sizeof kSignature) != 0)
        throw JetError(QStringLiteral("The file %1 is not a Jet (Access) database.").arg(file->label));
    const uint8_t version = header.data[kVersionOffset];
    if (version == Jet3)
        throw JetError(QStringLiteral("The database file %1 is in the Access 97 format (Jet 3); "
                                      "only Access 2000 to 2003 databases (Jet 4) can be read.").arg(file->label));
    if (version != Jet4)
        throw JetError(QStringLiteral("The database file %1 is in the format of Access 2007 or later (ACE); "
                                      "only Access 2000 to 2003 databases (Jet 4) can be read.").arg(file->label));
    if (size < qint64(kPageSize) * 3 || size % qint64(kPageSize) != 0)
        file->damaged("its size is not a whole number of pages");
    if (size > kMaxDatabaseSize)
        throw JetError(QStringLiteral("The file %1 is larger than 2 GB, the most a Jet database can hold.").arg(file->label));
    file->pageCount = uint32_t(size / qint64(kPageSize));

    rc4(kHeaderKey, {&header.data[kObfuscatedOffset], kObfuscatedSize});
    file->databaseKey = u32(&header.data[kDatabaseKeyOffset]);
    const QString stored = storedPassword(header.data.data());
    file->hasPassword = !stored.isEmpty();
    if (file->hasPassword && password && *password != stored)
        throw JetError(password->isEmpty()
                           ? QStringLiteral("The database file %1 is protected by a password.").arg(file->label)
                           : QStringLiteral("The database file %1 is protected by a different password.").arg(file->label));

    // The catalogue: MSysObjects lists every table with the page of its definition.
    const auto objects = file->readDefinition(kCatalogPage, QStringLiteral("MSysObjects"));
    const JetTable catalog(file, objects);
    const int id = catalog.columnIndex(QStringLiteral("Id"));
    const int name = catalog.columnIndex(QStringLiteral("Name"));
    const int type = catalog.columnIndex(QStringLiteral("Type"));
    const int flags = catalog.columnIndex(QStringLiteral("Flags"));
    if (id < 0 || name < 0 || type < 0 || flags < 0)
        file->damaged("its catalogue lacks a column");
    for (JetRowCursor rows = catalog.rows(); rows.next();) {
        const auto objectType = rows.value(type);
        const auto objectName = rows.value(name);
        if (!objectType || !objectName || (objectType->toInt() & 0x7FFF) != kTableObject)
            continue;
        const uint32_t page = rows.value(id).value_or(QString()).toUInt() & 0xFFFFFF;
        const uint32_t objectFlags = uint32_t(rows.value(flags).value_or(QString()).toLongLong());
        file->catalog.push_back({*objectName, page, (objectFlags & kSystemObjectFlags) != 0});
    }
    return JetDatabase(std::move(file));
}

JetDatabase::JetDatabase(std::shared_ptr<const JetFile> file) : file_(std::move(file)) {}

JetDatabase JetDatabase::open(const QString &path, const std::optional<QString> &password)
{
    auto file = std::make_shared<JetFile>();
    file->label = fileLabel(path);
    file->file.setFileName(path);
    if (!QFileInfo(path).isFile())
        throw JetError(QStringLiteral("The database file %1 was not found.").arg(file->label));
    if (!file->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw JetError(QStringLiteral("The database file %1 could not be opened: %2").arg(file->label, file->file.errorString()));
    return openFile(std::move(file), password);
}

JetDatabase JetDatabase::openBytes(const QByteArray &bytes, const std::optional<QString> &password)
{
    auto file = std::make_shared<JetFile>();
    file->label = QStringLiteral("in memory");
    file->bytes = bytes;
    return openFile(std::move(file), password);
}

bool JetDatabase::hasPassword() const { return file_->hasPassword; }

QStringList JetDatabase::tableNames() const
{
    QStringList names;
    for (const CatalogEntry &entry : file_->catalog)
        if (!entry.system)
            names.append(entry.name);
    return names;
}

JetTable JetDatabase::table(const QString &name) const
{
    for (const CatalogEntry &entry : file_->catalog)
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return JetTable(file_, file_->readDefinition(entry.page, entry.name));
    throw JetError(QStringLiteral("The database file %1 has no table \"%2\".").arg(file_->label, name));
}

void checkDriverDatabase(const QString &path)
{
    const JetDatabase database = JetDatabase::open(path, QString::fromLatin1(kDriverDatabasePassword));
    const JetTable table = database.table(QString::fromLatin1(kDriverTable));
    std::vector<int> columns;
    for (const QString &column : kDriverColumns) {
        columns.push_back(table.columnIndex(column));
        if (columns.back() < 0)
            throw JetError(QStringLiteral("The table \"%1\" of the database file %2 has no column \"%3\".")
                               .arg(table.name(), fileLabel(path), column));
    }
    // The four columns of every row, as a lookup reads them: damage anywhere a lookup could meet it,
    // such as a download cut short, shows here. Other columns are none of the lookup's business.
    for (JetRowCursor rows = table.rows(); rows.next();)
        for (int column : columns)
            rows.value(column);
}

} // namespace platform::jet
