// libFuzzer entry point over long-value (MEMO and OLE) chains. The input does not replace the file
// byte for byte: it describes pages of long-value parts, the pointers between them and the
// descriptors of three rows, so that even random bytes make chains that end, loop, share parts,
// point to missing rows or past the file; a few bytes of those pages are then damaged. Every read
// ends in a value no longer than the file, or in a JetError.
#include "retypedtable.h"

#include "platform/jet/jetdatabase.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace platform::jet;
using jettests::RetypedTable;

namespace {

class Input {
public:
    Input(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    uint32_t u16() { return uint32_t(byte()) | uint32_t(byte()) << 8; }
    bool empty() const { return position_ >= size_; }

private:
    const uint8_t *data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

constexpr int kRows = 3;

const RetypedTable &base()
{
    static const RetypedTable table({"Notes", "Picture"}, {format::Memo, format::Ole}, kRows);
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in(data, size);
    RetypedTable file = base();
    const uint32_t first = file.pages();
    std::vector<int> rowCounts(1 + in.byte() % 4);
    for (int &count : rowCounts)
        count = 1 + in.byte() % 8;
    const auto pages = uint32_t(rowCounts.size());
    // A pointer to a row of one of the added pages; now and then to a missing row or past them.
    auto pointer = [&] {
        const uint8_t pageChoice = in.byte(), rowChoice = in.byte();
        if (pageChoice % 16 == 0)
            return RetypedTable::pointer(first + pages, 0);
        const uint32_t page = pageChoice % pages;
        const int rows = rowCounts[page];
        return RetypedTable::pointer(first + page, rowChoice % 16 == 0 ? rows : rowChoice % rows);
    };
    for (int count : rowCounts) {
        std::vector<QByteArray> rows(static_cast<std::size_t>(count));
        for (QByteArray &row : rows) {
            const uint8_t kind = in.byte();
            const int length = kind % 16 == 0 ? int(in.u16() % 4000) : int(in.byte() % 48);
            QByteArray bytes(length, char('a' + kind % 26));
            if (kind & 0x40)
                bytes.prepend("\xFF\xFE");
            row = (kind & 1) ? bytes : RetypedTable::part((kind & 2) ? 0 : pointer(), bytes);
        }
        file.addPage(rows);
    }
    static constexpr uint32_t kFlags[] = {0x80000000, 0x40000000, 0};
    const auto fileSize = uint32_t(file.bytes.size());
    for (int row = 0; row < kRows; ++row)
        for (int column = 0; column < 2; ++column) {
            const uint32_t flags = kFlags[in.byte() % 3];
            const uint32_t length = in.byte() % 16 == 0 ? in.u16() << 14 : in.u16() % fileSize;
            file.setValue(row, column, flags | (length & 0x3FFFFFFF), pointer());
        }
    // Damage: a few bytes of the added pages, as (offset, value).
    const qsizetype added = qsizetype(first) * qsizetype(format::kPageSize);
    for (int patches = in.byte() % 8; patches > 0 && !in.empty(); --patches) {
        const uint32_t offset = in.u16() * 4 + in.byte() % 4;
        file.bytes[added + qsizetype(offset % uint32_t(file.bytes.size() - added))] = char(in.byte());
    }

    try {
        const JetTable table = JetDatabase::openBytes(file.bytes, std::nullopt).table(QStringLiteral("m"));
        for (JetRowCursor rows = table.rows(); rows.next();) {
            for (int column = 0; column < 2; ++column) {
                const auto value = rows.value(column);
                // A MEMO value is text of at most the file's bytes, an OLE one their hexadecimal form.
                if (value && value->size() > 2 * file.bytes.size())
                    std::abort();
                if (rows.value(column) != value)
                    std::abort();
            }
            rows.textEquals(0, u"abc");
        }
    } catch (const JetError &) {
    }
    return 0;
}
