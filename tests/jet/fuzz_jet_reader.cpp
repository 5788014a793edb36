// libFuzzer entry point: any bytes given to the Jet reader end in a result or a JetError.
#include "platform/jet/jetdatabase.h"

#include <cstddef>
#include <cstdint>

using namespace platform::jet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    try {
        const JetDatabase database = JetDatabase::openBytes(
            QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)), std::nullopt);
        QStringList tables = database.tableNames();
        tables.append(QStringLiteral("MSysObjects"));
        for (const QString &name : tables) {
            const JetTable table = database.table(name);
            const int columns = int(table.columnNames().size());
            JetRowCursor rows = table.rows();
            for (int row = 0; row < 5000 && rows.next(); ++row)
                for (int column = 0; column < columns; ++column) {
                    rows.value(column);
                    rows.textEquals(column, u"Virtio 1.0 network device");
                }
        }
    } catch (const JetError &) {
    }
    return 0;
}
