// Crafted driver databases against the reader: what a hostile download costs the updater's check
// and a full read, beside a sound database of the same size.
//
//   bench_hostile_files make KIND MEGABYTES FILE   writes a file of about that size
//   bench_hostile_files read FILE                  prints the wall milliseconds of the check and of
//                                                  a read of every column, and how each ended
//
// KIND: sound    rows of four texts, as driverdb writes them
//       loop     one Link whose chain of long-value parts comes back to its start, claiming the
//                whole file as its length
//       shared   every row's Link is the same chain of parts, which fills the file
//       scatter  Links whose chains hop to another page at every part of one byte: the most
//                parts, and page reads, a file of that size can hold without a loop
//       moved    every other row moved to the next page, as Jet leaves a row that outgrew its
//                place: each one sends the reader to another page
#include "tests/jet/retypedtable.h"

#include "platform/jet/jetdatabase.h"
#include "platform/jet/jetwriter.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <cstring>

using namespace platform::jet;
using jettests::RetypedTable;

namespace {

const QStringList kColumns{QStringLiteral("Hardware"), QStringLiteral("OS"), QStringLiteral("Architecture"), QStringLiteral("Link")};

void save(const QByteArray &bytes, const char *path)
{
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", path);
        std::exit(1);
    }
}

void makeSound(qint64 bytes, const char *path)
{
    JetWriter writer(QString::fromLocal8Bit(path), QString::fromLatin1(kDriverDatabasePassword));
    writer.beginTable(QString::fromLatin1(kDriverTable), kColumns);
    // About 170 bytes a row.
    for (qint64 row = 0; row < bytes / 170; ++row)
        writer.addRow({QStringLiteral("Generic Device Model %1 Rev. A").arg(row, 7, 10, QLatin1Char('0')), QStringLiteral("Windows XP"),
                       QStringLiteral("32-bit"), QStringLiteral("https://drivers.example.com/download/%1/setup.exe").arg(row)});
    writer.finish();
}

// Rows of short texts; then on every data page row 2k becomes a pointer to row 2k+1 of the next
// data page, which is marked deleted so that only the pointer leads to it.
void makeMoved(qint64 bytes, const char *path)
{
    {
        JetWriter writer(QString::fromLocal8Bit(path), QString());
        writer.beginTable(QString::fromLatin1(kDriverTable), kColumns);
        for (qint64 row = 0; row < bytes / 28; ++row)
            writer.addRow({QStringLiteral("d"), QStringLiteral("o"), QStringLiteral("a"), QStringLiteral("l")});
        writer.finish();
    }
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        std::exit(1);
    QByteArray data = file.readAll();
    file.close();
    auto *b = reinterpret_cast<uint8_t *>(data.data());
    std::vector<uint32_t> pages;
    uint32_t definition = 0;
    for (uint32_t page = 3; page < data.size() / 4096; ++page) {
        const uint8_t *p = b + std::size_t(page) * 4096;
        if (definition == 0 && p[0] == format::TableDefinitionPage)
            definition = page;
        else if (definition != 0 && p[0] == format::DataPage && format::u32(p + 4) == definition)
            pages.push_back(page);
    }
    for (std::size_t k = 0; k < pages.size(); ++k) {
        uint8_t *p = b + std::size_t(pages[k]) * 4096;
        uint8_t *next = b + std::size_t(pages[(k + 1) % pages.size()]) * 4096;
        const uint16_t rows = std::min(format::u16(p + 12), format::u16(next + 12));
        for (uint16_t row = 0; row + 1 < rows; row += 2) {
            const uint16_t offset = format::u16(p + 14 + 2 * row);
            p[offset] = uint8_t(row + 1);
            format::put24(p + offset + 1, pages[(k + 1) % pages.size()]);
            format::put16(p + 14 + 2 * row, offset | format::kOverflowRow);
            format::put16(next + 14 + 2 * (row + 1), format::u16(next + 14 + 2 * (row + 1)) | format::kDeletedRow);
        }
    }
    save(data, path);
}

// Link is a MEMO column whose chains the kinds below lay out.
QByteArray makeChains(const char *kind, qint64 bytes)
{
    const std::vector<uint8_t> types{format::Text, format::Text, format::Text, format::Memo};
    const uint32_t pages = uint32_t(bytes / qint64(format::kPageSize));
    if (std::strcmp(kind, "scatter") == 0) {
        // Parts of 5 bytes (pointer and one byte of data), as many on a page as a pointer can
        // name. Chain r runs through row r of every page, so each part lies on another page than
        // the one before.
        constexpr int kParts = 256;
        RetypedTable file(kColumns, types, kParts, 12, QString::fromLatin1(kDriverTable));
        const uint32_t first = file.pages();
        for (uint32_t page = 0; page < pages; ++page) {
            std::vector<QByteArray> rows;
            for (int row = 0; row < kParts; ++row)
                rows.push_back(RetypedTable::part(page + 1 < pages ? RetypedTable::pointer(first + page + 1, row) : 0, "x"));
            file.addPage(rows);
        }
        for (int row = 0; row < kParts; ++row)
            file.setValue(row, 3, pages, RetypedTable::pointer(first, row));
        return file.bytes;
    }
    // One chain of full parts through every page; "loop" ends it back at its start.
    const bool loop = std::strcmp(kind, "loop") == 0;
    const int rows = loop ? 1 : 5000;
    RetypedTable file(kColumns, types, rows, 12, QString::fromLatin1(kDriverTable));
    const uint32_t first = file.pages();
    const QByteArray data(4000, 'x');
    for (uint32_t page = 0; page < pages; ++page) {
        const uint32_t next = page + 1 < pages ? RetypedTable::pointer(first + page + 1, 0) : loop ? RetypedTable::pointer(first, 0) : 0;
        file.addPage({RetypedTable::part(next, data)});
    }
    for (int row = 0; row < rows; ++row)
        file.setValue(row, 3, uint32_t(std::min<qint64>(file.bytes.size(), 0x3FFFFFFF)), RetypedTable::pointer(first, 0));
    return file.bytes;
}

// Wall milliseconds of one run, and its outcome: "ok" or the error.
template<class F> void measure(const char *what, F &&work)
{
    QElapsedTimer timer;
    timer.start();
    QString outcome = QStringLiteral("ok");
    try {
        work();
    } catch (const JetError &error) {
        outcome = error.text();
    }
    std::printf("%s %lld %s\n", what, timer.elapsed(), qPrintable(outcome));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "make") == 0) {
        const qint64 bytes = std::atoll(argv[3]) * 1000000;
        if (std::strcmp(argv[2], "sound") == 0)
            makeSound(bytes, argv[4]);
        else if (std::strcmp(argv[2], "moved") == 0)
            makeMoved(bytes, argv[4]);
        else
            save(makeChains(argv[2], bytes), argv[4]);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "read") == 0) {
        const QString path = QString::fromLocal8Bit(argv[2]);
        measure("check", [&] { checkDriverDatabase(path); });
        measure("read", [&] {
            const JetTable table = JetDatabase::open(path, QString::fromLatin1(kDriverDatabasePassword)).table(QString::fromLatin1(kDriverTable));
            for (JetRowCursor rows = table.rows(); rows.next();)
                for (int column = 0; column < 4; ++column)
                    rows.value(column);
        });
        return 0;
    }
    std::fprintf(stderr, "usage: bench_hostile_files make sound|loop|shared|scatter|moved MEGABYTES FILE | read FILE\n");
    return 2;
}
