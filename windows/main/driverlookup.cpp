#include "driverlookup.h"

#include "app/failures.h"
#include "platform/jet/jetdatabase.h"

using namespace platform::jet;

std::optional<QString> findDriverLink(const QString &databasePath, const QString &hardware, const QString &os,
                                      const QString &architecture)
{
    try {
        const JetDatabase database = JetDatabase::open(databasePath, QString::fromLatin1(kDriverDatabasePassword));
        const JetTable table = database.table(QString::fromLatin1(kDriverTable));
        int columns[4];
        for (int i = 0; i < 4; ++i) {
            columns[i] = table.columnIndex(kDriverColumns[i]);
            if (columns[i] < 0)
                throw JetError(QStringLiteral("The driver table has no column \"%1\".").arg(kDriverColumns[i]));
        }
        const auto [hardwareColumn, osColumn, architectureColumn, linkColumn] = columns;
        for (JetRowCursor rows = table.rows(); rows.next();) {
            if (rows.textEquals(hardwareColumn, hardware) && rows.textEquals(osColumn, os)
                && rows.textEquals(architectureColumn, architecture))
                return rows.value(linkColumn).value_or(QString());
        }
        return std::nullopt;
    } catch (const JetError &error) {
        throw app::Failure(QStringLiteral("The driver database could not be searched. %1 "
                                          "Use \"Check for Updated Driver Database\" to get a good copy.")
                               .arg(error.text()));
    }
}
