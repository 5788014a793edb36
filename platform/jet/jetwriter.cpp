#include "jetwriter.h"
#include "jetdatabase.h"
#include "jetformat.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>

namespace platform::jet {

using namespace format;

namespace {

using PageBuffer = std::array<uint8_t, kPageSize>;

constexpr uint32_t kGlobalMapPage = 1;
constexpr uint32_t kMapRowsPage = 3;     // the usage-map rows of every table
constexpr uint32_t kCatalogDataPage = 4; // the rows of MSysObjects
constexpr uint32_t kFirstFreePage = 5;
constexpr std::size_t kMapRowSize = 69;  // Jet's size: kind, start page, 64-byte bitmap
constexpr std::size_t kMapPointers = (kMapRowSize - 1) / 4;
constexpr std::size_t kMaxRowsPerPage = 255; // index row pointers have one byte for the row
constexpr std::size_t kMaxTables = 20;
constexpr uint8_t kUserTable = 0x4E, kSystemTable = 0x53;

// Catalogue objects Jet expects besides the tables.
constexpr uint32_t kTablesContainer = 0x0F000001, kRootContainer = 0x0F000000;
constexpr uint32_t kSystemFlag = 0x80000000;

double oleDate(const QDateTime &time)
{
    return double(QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC).msecsTo(time.toUTC())) / 86400000.0;
}

// Text as Jet 4 stores it: UCS-2LE, or the compressed form when every character fits one byte and
// that is shorter. Compressed text starts with FF FE, so a value whose UCS-2 form would start with
// those bytes (a leading U+FEFF) is written compressed too, switching to two bytes per character
// with a zero byte where needed; std::nullopt when it holds a character that form cannot carry
// (one with a zero byte).
std::optional<QByteArray> encodeText(QStringView text, bool compressible)
{
    QByteArray out;
    auto oneByte = [](QChar c) { return c.unicode() >= 1 && c.unicode() <= 0xFF; };
    if (!text.isEmpty() && text.front().unicode() == 0xFEFF) {
        out.append(char(0xFF)).append(char(0xFE));
        bool singleBytes = true;
        for (QChar c : text) {
            const uint8_t low = uint8_t(c.unicode() & 0xFF), high = uint8_t(c.unicode() >> 8);
            const bool single = oneByte(c);
            if (!single && (low == 0 || high == 0))
                return std::nullopt;
            if (single != singleBytes) {
                out.append('\0');
                singleBytes = single;
            }
            out.append(char(low));
            if (!single)
                out.append(char(high));
        }
        return out;
    }
    if (compressible && text.size() > 2 && std::all_of(text.begin(), text.end(), oneByte)) {
        out.reserve(text.size() + 2);
        out.append(char(0xFF)).append(char(0xFE));
        for (QChar c : text)
            out.append(char(c.unicode()));
    } else {
        out.reserve(text.size() * 2);
        for (QChar c : text)
            out.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    }
    return out;
}

// Jet counts text lengths in UTF-16 units; a character outside the Basic Multilingual Plane takes two.
qsizetype characterCount(QStringView text)
{
    return text.size() - std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLowSurrogate(); });
}

QString lengthText(QStringView text)
{
    const qsizetype characters = characterCount(text);
    return characters == text.size() ? QStringLiteral("%1 characters").arg(text.size())
                                     : QStringLiteral("%1 characters (%2 UTF-16 units)").arg(characters).arg(text.size());
}

struct ColumnSpec {
    QString name;
    uint8_t type;
    uint16_t length;   // bytes; 0 for MEMO and OLE
    uint16_t fixedOffset = 0;
    uint16_t varIndex = 0;
    bool fixed() const { return type != Text && type != Memo && type != Ole && type != Binary; }
    bool longValue() const { return type == Memo || type == Ole; }
};

// One row in Jet 4 layout: column count, fixed area, variable data, offsets from the last
// variable column to the first, variable count, null mask (bit set = value present).
class RowBuilder {
public:
    explicit RowBuilder(const std::vector<ColumnSpec> &columns) : columns_(columns)
    {
        for (const ColumnSpec &c : columns) {
            if (c.fixed())
                fixedSize_ = std::max<std::size_t>(fixedSize_, c.fixedOffset + c.length);
            else
                ++varCount_;
        }
    }

    // values[i]: the stored bytes of column i, nullopt for NULL.
    QByteArray build(const std::vector<std::optional<QByteArray>> &values) const
    {
        const std::size_t count = columns_.size();
        QByteArray row(qsizetype(2 + fixedSize_), '\0');
        auto *data = reinterpret_cast<uint8_t *>(row.data());
        put16(data, uint16_t(count));
        std::vector<uint16_t> varOffsets(varCount_ + 1);
        QByteArray nullMask(qsizetype((count + 7) / 8), '\0');
        for (std::size_t i = 0; i < count; ++i) {
            if (!values[i])
                continue;
            nullMask[qsizetype(i / 8)] = char(nullMask[qsizetype(i / 8)] | (1 << (i % 8)));
            const ColumnSpec &c = columns_[i];
            if (c.fixed())
                std::memcpy(data + 2 + c.fixedOffset, values[i]->constData(), std::size_t(c.length));
        }
        for (std::size_t i = 0, var = 0; i < count; ++i) {
            if (columns_[i].fixed())
                continue;
            varOffsets[var++] = uint16_t(row.size());
            if (values[i])
                row.append(*values[i]);
        }
        varOffsets[varCount_] = uint16_t(row.size());
        if (varCount_ > 0) {
            for (std::size_t k = varCount_ + 1; k-- > 0;)
                appendU16(row, varOffsets[k]);
            appendU16(row, uint16_t(varCount_));
        }
        row.append(nullMask);
        return row;
    }

private:
    static void appendU16(QByteArray &out, uint16_t v) { out.append(char(v & 0xFF)).append(char(v >> 8)); }
    const std::vector<ColumnSpec> &columns_;
    std::size_t fixedSize_ = 0;
    std::size_t varCount_ = 0;
};

// A data page filled from the end downwards.
class DataPageBuilder {
public:
    void start(uint32_t owner)
    {
        page_.fill(0);
        page_[0] = DataPage;
        page_[1] = 0x01;
        put32(&page_[4], owner);
        rows_ = 0;
        top_ = kPageSize;
    }
    bool fits(std::size_t size) const { return rows_ < kMaxRowsPerPage && 14 + 2 * (rows_ + 1) + size <= top_; }
    bool empty() const { return rows_ == 0; }
    void add(const QByteArray &row)
    {
        top_ -= std::size_t(row.size());
        std::memcpy(&page_[top_], row.constData(), std::size_t(row.size()));
        put16(&page_[14 + 2 * rows_], uint16_t(top_));
        ++rows_;
        put16(&page_[12], uint16_t(rows_));
        put16(&page_[2], uint16_t(top_ - 14 - 2 * rows_));
    }
    const PageBuffer &page() const { return page_; }

private:
    PageBuffer page_{};
    std::size_t rows_ = 0;
    std::size_t top_ = kPageSize;
};

const std::vector<ColumnSpec> &catalogColumns()
{
    static const std::vector<ColumnSpec> columns = [] {
        std::vector<ColumnSpec> c{
            {"Id", Long, 4}, {"ParentId", Long, 4}, {"Name", Text, 510}, {"Type", Int, 2},
            {"DateCreate", DateTime, 8}, {"DateUpdate", DateTime, 8}, {"Owner", Binary, 255}, {"Flags", Long, 4},
            {"Database", Memo, 0}, {"Connect", Memo, 0}, {"ForeignName", Text, 510}, {"RmtInfoShort", Binary, 255},
            {"RmtInfoLong", Ole, 0}, {"Lv", Ole, 0}, {"LvProp", Ole, 0}, {"LvModule", Ole, 0}, {"LvExtra", Ole, 0},
        };
        uint16_t fixedOffset = 0, varIndex = 0;
        for (ColumnSpec &column : c) {
            if (column.fixed()) {
                column.fixedOffset = fixedOffset;
                fixedOffset = uint16_t(fixedOffset + column.length);
            } else {
                column.varIndex = varIndex++;
            }
        }
        return c;
    }();
    return columns;
}

} // namespace

struct JetWriter::State {
    struct Table {
        QString name;
        std::vector<ColumnSpec> columns;
        uint32_t definitionPage = 0;
        uint32_t firstDataPage = 0, lastDataPage = 0; // a table's data pages follow its definition
        uint32_t rowCount = 0;
        uint8_t ownedMapRow = 0, freeMapRow = 0;
    };

    QFile file;
    QString label;
    QString password;
    qint64 sizeLimit = 0;
    QDateTime created = QDateTime::currentDateTimeUtc();
    uint32_t nextPage = kFirstFreePage;
    std::vector<Table> tables;
    std::optional<RowBuilder> rowBuilder;
    DataPageBuilder dataPage;
    std::vector<QByteArray> mapRows; // the rows of kMapRowsPage
    bool finished = false;

    [[noreturn]] void writeFailed() const
    {
        throw JetError(QStringLiteral("The database file %1 could not be written: %2").arg(label, file.errorString()));
    }

    void writePage(uint32_t page, const PageBuffer &data)
    {
        if (!file.seek(qint64(page) * kPageSize)
            || file.write(reinterpret_cast<const char *>(data.data()), kPageSize) != qint64(kPageSize))
            writeFailed();
    }

    [[noreturn]] void tooLarge() const
    {
        throw JetError(QStringLiteral("The database file %1 would grow past %2 bytes, the most a Jet database can hold; "
                                      "put fewer rows in it.").arg(label).arg(sizeLimit));
    }

    uint32_t allocatePage()
    {
        if (qint64(nextPage) >= sizeLimit / qint64(kPageSize))
            tooLarge();
        return nextPage++;
    }

    // A data page for the current table, given only while the pages that finish() adds still fit:
    // each table's further definition pages and the bitmap pages of its owned-pages map.
    uint32_t allocateDataPage()
    {
        const uint32_t page = nextPage;
        qint64 pages = qint64(page) + 1;
        for (const Table &table : tables) {
            const bool current = &table == &tables.back();
            pages += definitionPages(table.columns) - 1;
            if (table.firstDataPage != 0 || current) {
                const uint32_t first = table.firstDataPage ? table.firstDataPage : page;
                const uint32_t last = current ? page : table.lastDataPage;
                pages += last / kPagesPerMapPage - first / kPagesPerMapPage + 1;
            }
        }
        if (pages > sizeLimit / qint64(kPageSize))
            tooLarge();
        return allocatePage();
    }

    uint8_t addMapRow(const QByteArray &row)
    {
        mapRows.push_back(row);
        return uint8_t(mapRows.size() - 1);
    }

    static QByteArray inlineMap(uint32_t start, const std::vector<uint32_t> &pages)
    {
        QByteArray row(kMapRowSize, '\0');
        put32(reinterpret_cast<uint8_t *>(row.data()) + 1, start);
        for (uint32_t page : pages)
            row[qsizetype(5 + (page - start) / 8)] = char(row[qsizetype(5 + (page - start) / 8)] | (1 << ((page - start) % 8)));
        return row;
    }

    void flushDataPage()
    {
        if (dataPage.empty())
            return;
        Table &table = tables.back();
        writePage(table.lastDataPage, dataPage.page());
    }

    void addRow(const QByteArray &row)
    {
        Table &table = tables.back();
        if (!dataPage.fits(std::size_t(row.size()))) {
            if (dataPage.empty())
                throw JetError(QStringLiteral("A row of table \"%1\" takes %2 bytes; a row must fit one database page "
                                              "(%3 bytes; a character outside Latin-1 takes two).")
                                   .arg(table.name).arg(row.size()).arg(kPageSize - 16));
            const uint32_t next = allocateDataPage(); // first: a refusal changes nothing
            flushDataPage();
            dataPage.start(table.definitionPage);
            table.lastDataPage = next;
            if (table.firstDataPage == 0)
                table.firstDataPage = table.lastDataPage;
        } else if (table.firstDataPage == 0) {
            dataPage.start(table.definitionPage);
            table.firstDataPage = table.lastDataPage = allocateDataPage();
        }
        dataPage.add(row);
        ++table.rowCount;
    }

    // A table definition: one page, continued on further pages when its columns need more room.
    // Each continuation page repeats the 8-byte page header; readers join the pages after it.
    void writeDefinition(uint32_t page, uint8_t tableType, const std::vector<ColumnSpec> &columns, uint32_t rowCount,
                         uint8_t ownedRow, uint8_t freeRow, const std::vector<std::pair<uint8_t, uint8_t>> &longValueMaps)
    {
        std::vector<uint8_t> def(63, 0);
        uint8_t *d = def.data();
        put32(d + 12, kTableMagic);
        put32(d + 16, rowCount);
        put32(d + 20, 1);
        d[24] = 1;
        d[40] = tableType;
        const auto varCount = uint16_t(std::count_if(columns.begin(), columns.end(), [](const ColumnSpec &c) { return !c.fixed(); }));
        put16(d + 41, uint16_t(columns.size()));
        put16(d + 43, varCount);
        put16(d + 45, uint16_t(columns.size()));
        d[55] = ownedRow;
        put24(d + 56, kMapRowsPage);
        d[59] = freeRow;
        put24(d + 60, kMapRowsPage);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const ColumnSpec &c = columns[i];
            uint8_t col[25] = {};
            col[0] = c.type;
            put32(col + 1, kTableMagic);
            put16(col + 5, uint16_t(i));
            put16(col + 7, c.varIndex);
            put16(col + 9, uint16_t(i));
            if (c.type == Text || c.type == Memo)
                put16(col + 11, 0x0409); // "General" sort order
            col[15] = uint8_t((c.fixed() ? FixedLength : 0) | CanBeNull);
            col[16] = tableType == kUserTable && (c.type == Text || c.type == Memo) ? UnicodeCompression : 0;
            put16(col + 21, c.fixedOffset);
            put16(col + 23, c.length);
            def.insert(def.end(), col, col + sizeof col);
        }
        for (const ColumnSpec &c : columns) {
            const QByteArray encoded = *encodeText(c.name, false);
            uint8_t length[2];
            put16(length, uint16_t(encoded.size()));
            def.insert(def.end(), length, length + 2);
            def.insert(def.end(), encoded.begin(), encoded.end());
        }
        for (std::size_t i = 0, k = 0; i < columns.size(); ++i) {
            if (!columns[i].longValue())
                continue;
            uint8_t maps[10];
            put16(maps, uint16_t(i));
            maps[2] = longValueMaps[k].first;
            put24(maps + 3, kMapRowsPage);
            maps[6] = longValueMaps[k].second;
            put24(maps + 7, kMapRowsPage);
            def.insert(def.end(), maps, maps + sizeof maps);
            ++k;
        }
        def.push_back(0xFF);
        def.push_back(0xFF);
        put32(def.data() + 8, uint32_t(def.size() - 8));

        // Every page carries the next part of the definition after its own 8-byte header.
        constexpr std::size_t kBody = kPageSize - 8;
        std::size_t from = 8;
        while (from < def.size()) {
            const std::size_t size = std::min(kBody, def.size() - from);
            PageBuffer buffer{};
            buffer[0] = TableDefinitionPage;
            buffer[1] = 0x01;
            put16(&buffer[2], uint16_t(kBody - size >= 8 ? kBody - size - 8 : 0));
            std::memcpy(&buffer[8], def.data() + from, size);
            from += size;
            const uint32_t next = from < def.size() ? allocatePage() : 0;
            put32(&buffer[4], next);
            writePage(page, buffer);
            page = next;
        }
    }

    // Pages a definition with these columns takes, its first one included.
    static uint32_t definitionPages(const std::vector<ColumnSpec> &columns)
    {
        std::size_t size = 63 + 2;
        for (const ColumnSpec &c : columns)
            size += 25 + 2 + 2 * std::size_t(c.name.size());
        return uint32_t((size - 8 + kPageSize - 9) / (kPageSize - 8));
    }

    void writeHeader()
    {
        PageBuffer header{};
        uint8_t *h = header.data();
        put32(h, 0x00000100);
        std::memcpy(h + 4, kSignature, sizeof kSignature);
        h[kVersionOffset] = Jet4;
        static constexpr uint8_t kRegionStart[24] = {0, 1, 0, 0, 1, 1, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0};
        std::memcpy(h + kObfuscatedOffset, kRegionStart, sizeof kRegionStart);
        put16(h + kCodePageOffset, 1252);
        put32(h + 0x6A, 0x11A6);
        put32(h + kSortOrderOffset, 0x0409);
        const double date = oleDate(created);
        std::memcpy(h + kCreationDateOffset, &date, sizeof date);
        const auto mask = passwordMask(h);
        for (std::size_t i = 0; i < 2 * kPasswordUnits; ++i) {
            const qsizetype unit = qsizetype(i / 2);
            const char16_t c = unit < password.size() ? password[unit].unicode() : 0;
            h[kPasswordOffset + i] = uint8_t((i % 2 ? c >> 8 : c & 0xFF) ^ mask[i % 4]);
        }
        rc4(kHeaderKey, {h + kObfuscatedOffset, kObfuscatedSize});
        static constexpr uint8_t kVersionText[8] = {0x54, 0x06, 0, 0, '4', '.', '0', 0};
        std::memcpy(h + 0x98, kVersionText, sizeof kVersionText);
        h[0xE00] = h[0xE01] = 1;
        for (std::size_t i = 0xE02; i < 0x1000; i += 2)
            h[i + 1] = 1;
        writePage(0, header);
    }

    // Page 1: the database's own map of used pages (bit set = free); readers do not use it.
    void writeGlobalMap()
    {
        DataPageBuilder page;
        page.start(1);
        const std::size_t bytes = std::min<std::size_t>(std::max<std::size_t>(64, (nextPage + 7) / 8), 4000);
        QByteArray row(qsizetype(5 + bytes), char(0xFF));
        std::memset(row.data(), 0, 5);
        for (uint32_t p = 0; p < nextPage && p / 8 < bytes; ++p)
            row[qsizetype(5 + p / 8)] = char(row[qsizetype(5 + p / 8)] & ~(1 << (p % 8)));
        page.add(row);
        writePage(kGlobalMapPage, page.page());
    }

    // Each table's owned pages as a reference map: bitmap pages of kPagesPerMapPage pages each.
    QByteArray ownedPagesMap(const Table &table)
    {
        QByteArray row(kMapRowSize, '\0');
        row[0] = 1;
        if (table.firstDataPage == 0)
            return row;
        const uint32_t firstMap = table.firstDataPage / kPagesPerMapPage, lastMap = table.lastDataPage / kPagesPerMapPage;
        if (lastMap >= kMapPointers)
            throw JetError(QStringLiteral("The table \"%1\" is too large for this writer.").arg(table.name));
        for (uint32_t k = firstMap; k <= lastMap; ++k) {
            PageBuffer map{};
            map[0] = UsageMapPage;
            map[1] = 0x01;
            const uint32_t from = std::max(table.firstDataPage, k * kPagesPerMapPage);
            const uint32_t to = std::min(table.lastDataPage, (k + 1) * kPagesPerMapPage - 1);
            for (uint32_t p = from; p <= to; ++p) {
                const uint32_t bit = p - k * kPagesPerMapPage;
                map[4 + bit / 8] |= uint8_t(1 << (bit % 8));
            }
            const uint32_t mapPage = allocatePage();
            writePage(mapPage, map);
            put32(reinterpret_cast<uint8_t *>(row.data()) + 1 + 4 * k, mapPage);
        }
        return row;
    }

    QByteArray catalogRow(uint32_t id, uint32_t parentId, const QString &name, int16_t type, uint32_t flags)
    {
        const auto &columns = catalogColumns();
        std::vector<std::optional<QByteArray>> values(columns.size());
        auto number = [](const auto value) { return QByteArray(reinterpret_cast<const char *>(&value), sizeof value); };
        const double date = oleDate(created);
        values[0] = number(id);
        values[1] = number(parentId);
        values[2] = encodeText(name, false);
        values[3] = number(type);
        values[4] = values[5] = number(date);
        values[7] = number(flags);
        return RowBuilder(columns).build(values);
    }

    void finish()
    {
        flushDataPage();
        // Usage-map rows: MSysObjects' owned and free maps, its long-value columns' maps, then each table's.
        const uint8_t catalogOwned = addMapRow(inlineMap(0, {kCatalogDataPage}));
        const uint8_t catalogFree = addMapRow(inlineMap(0, {}));
        std::vector<std::pair<uint8_t, uint8_t>> longValueMaps;
        for (const ColumnSpec &c : catalogColumns())
            if (c.longValue())
                longValueMaps.emplace_back(addMapRow(inlineMap(0, {})), addMapRow(inlineMap(0, {})));
        for (Table &table : tables) {
            table.ownedMapRow = addMapRow(ownedPagesMap(table));
            table.freeMapRow = addMapRow(inlineMap(0, {}));
        }
        DataPageBuilder maps;
        maps.start(0);
        for (const QByteArray &row : mapRows) {
            if (!maps.fits(std::size_t(row.size())))
                throw JetError(QStringLiteral("Too many tables for one database."));
            maps.add(row);
        }
        writePage(kMapRowsPage, maps.page());

        DataPageBuilder catalog;
        catalog.start(kCatalogPage);
        std::vector<QByteArray> rows{
            catalogRow(kTablesContainer, kRootContainer, QStringLiteral("Tables"), 3, kSystemFlag),
            catalogRow(0x0F000002, kRootContainer, QStringLiteral("Databases"), 3, kSystemFlag),
            catalogRow(0x0F000003, kRootContainer, QStringLiteral("Relationships"), 3, kSystemFlag),
            catalogRow(kCatalogPage, kTablesContainer, QStringLiteral("MSysObjects"), kTableObject, kSystemFlag),
        };
        for (const Table &table : tables)
            rows.push_back(catalogRow(table.definitionPage, kTablesContainer, table.name, kTableObject, 0));
        for (const QByteArray &row : rows) {
            if (!catalog.fits(std::size_t(row.size())))
                throw JetError(QStringLiteral("Too many tables for one database."));
            catalog.add(row);
        }
        writePage(kCatalogDataPage, catalog.page());

        writeDefinition(kCatalogPage, kSystemTable, catalogColumns(), uint32_t(rows.size()), catalogOwned, catalogFree,
                        longValueMaps);
        for (const Table &table : tables)
            writeDefinition(table.definitionPage, kUserTable, table.columns, table.rowCount, table.ownedMapRow,
                            table.freeMapRow, {});
        writeGlobalMap();
        writeHeader();
        if (!file.flush())
            writeFailed();
        file.close();
        finished = true;
    }
};

JetWriter::JetWriter(const QString &path, const QString &password, qint64 sizeLimit) : state_(std::make_unique<State>())
{
    state_->label = QStringLiteral("\"%1\"").arg(path);
    state_->sizeLimit = std::min(sizeLimit, kMaxDatabaseSize);
    if (password.size() > qsizetype(kPasswordUnits))
        throw JetError(QStringLiteral("A database password has at most 20 characters."));
    state_->password = password;
    state_->file.setFileName(path);
    if (!state_->file.open(QIODevice::ReadWrite | QIODevice::Truncate))
        state_->writeFailed();
    // Reserve the fixed pages; they are written when the file is finished.
    for (uint32_t page = 0; page < kFirstFreePage; ++page)
        state_->writePage(page, PageBuffer{});
}

JetWriter::~JetWriter() = default;

namespace {

// Jet's rules for a name that this writer cannot keep: its length, and a leading U+FEFF, which
// readers take for the mark of compressed text.
void checkName(const QString &name, const QString &what)
{
    if (name.size() > JetWriter::kMaxNameLength)
        throw JetError(QStringLiteral("%1 has %2; Jet allows at most %3 UTF-16 units (a character outside the "
                                      "Basic Multilingual Plane, such as an emoji, takes two).")
                           .arg(what, lengthText(name)).arg(JetWriter::kMaxNameLength));
    if (name.front().unicode() == 0xFEFF)
        throw JetError(QStringLiteral("%1 starts with U+FEFF (a byte-order mark), which Jet files cannot keep in a name.").arg(what));
}

} // namespace

void JetWriter::beginTable(const QString &name, const QStringList &columns)
{
    auto &s = *state_;
    if (s.finished)
        throw JetError(QStringLiteral("The database is already complete."));
    if (name.isEmpty())
        throw JetError(QStringLiteral("A table needs a name."));
    checkName(name, QStringLiteral("The table name \"%1\"").arg(name));
    // Jet keeps names that start with MSys for its own tables; a user table of such a name would be
    // hidden behind them.
    if (name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive))
        throw JetError(QStringLiteral("The table name \"%1\" is reserved: names that start with \"MSys\" belong to "
                                      "the database's own tables.").arg(name));
    for (const auto &table : s.tables)
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            throw JetError(QStringLiteral("There is already a table \"%1\".").arg(name));
    if (columns.isEmpty() || columns.size() > kMaxColumns)
        throw JetError(QStringLiteral("The table \"%1\" has %2 columns; a Jet table has 1 to %3.")
                           .arg(name).arg(columns.size()).arg(kMaxColumns));
    if (s.tables.size() == kMaxTables)
        throw JetError(QStringLiteral("A database written here has at most %1 tables.").arg(kMaxTables));
    State::Table table;
    table.name = name;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QString what = QStringLiteral("The name of column %1 of table \"%2\"").arg(i + 1).arg(name);
        if (columns[i].isEmpty())
            throw JetError(QStringLiteral("Column %1 of table \"%2\" has no name.").arg(i + 1).arg(name));
        checkName(columns[i], QStringLiteral("%1, \"%2\",").arg(what, columns[i]));
        for (qsizetype j = 0; j < i; ++j)
            if (columns[j].compare(columns[i], Qt::CaseInsensitive) == 0)
                throw JetError(QStringLiteral("The column \"%1\" appears twice (columns %2 and %3).").arg(columns[i]).arg(j + 1).arg(i + 1));
        table.columns.push_back({columns[i], Text, uint16_t(2 * kMaxTextLength), 0, uint16_t(i)});
    }
    s.flushDataPage();
    s.dataPage = DataPageBuilder();
    table.definitionPage = s.allocatePage();
    s.writePage(table.definitionPage, PageBuffer{});
    s.tables.push_back(std::move(table));
    s.rowBuilder.emplace(s.tables.back().columns);
}

void JetWriter::addRow(const std::vector<std::optional<QString>> &values)
{
    auto &s = *state_;
    if (s.tables.empty() || s.finished)
        throw JetError(QStringLiteral("A row needs a table to go into."));
    const auto &table = s.tables.back();
    if (values.size() != table.columns.size())
        throw JetError(QStringLiteral("A row of table \"%1\" needs %2 values, not %3.")
                           .arg(table.name).arg(table.columns.size()).arg(values.size()));
    std::vector<std::optional<QByteArray>> stored(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!values[i])
            continue;
        const QString &column = table.columns[i].name;
        if (values[i]->size() > kMaxTextLength)
            throw JetError(QStringLiteral("A value of column \"%1\" has %2; a text column holds at most %3 UTF-16 units "
                                          "(a character outside the Basic Multilingual Plane, such as an emoji, takes two).")
                               .arg(column, lengthText(*values[i])).arg(kMaxTextLength));
        stored[i] = encodeText(*values[i], true);
        if (!stored[i])
            throw JetError(QStringLiteral("A value of column \"%1\" starts with U+FEFF (a byte-order mark) and holds a "
                                          "character whose code ends in 00 (such as U+0100 or U+4E00); Jet's text format "
                                          "cannot keep the two in one value.").arg(column));
    }
    s.addRow(s.rowBuilder->build(stored));
}

void JetWriter::finish()
{
    if (!state_->finished)
        state_->finish();
}

} // namespace platform::jet
