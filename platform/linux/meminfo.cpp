// /proc/meminfo: the memory totals of the computer and operating-system classes.
#include "platform/linux/sources.h"

namespace platform::linuxhw {

// The fields of /proc/meminfo in kilobytes ("MemTotal" → 16314588); a field that is not a
// count is left out.
QHash<QString, qint64> memoryInfo(const SysRoot &root)
{
    QHash<QString, qint64> values;
    for (const QString &line : root.readText(QStringLiteral("/proc/meminfo")).split(QLatin1Char('\n'))) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        bool ok = false;
        const qint64 value = line.mid(colon + 1).trimmed().section(QLatin1Char(' '), 0, 0).toLongLong(&ok);
        if (ok && value >= 0)
            values.insert(line.left(colon), value);
    }
    return values;
}

} // namespace platform::linuxhw
