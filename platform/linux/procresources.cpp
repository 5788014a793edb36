// Interrupts, I/O ports and memory ranges from /proc/interrupts, /proc/ioports and /proc/iomem.
// Non-root readers see the port and memory ranges as zeros; then the ranges of the PCI and PnP
// devices, which everyone may read, stand in for them.
#include "platform/linux/sources.h"

#include <QSet>

namespace platform::linuxhw {

namespace {

struct Range {
    quint64 start = 0, end = 0;
    QString name;
    int depth = 0;
};

// "  000de000-000defff : AMZNC10C:00": the indent tells the depth.
std::vector<Range> parseRanges(const QString &text)
{
    std::vector<Range> ranges;
    for (const QString &row : text.split(QLatin1Char('\n'))) {
        qsizetype first = 0;
        while (first < row.size() && row.at(first).isSpace())
            ++first;
        const qsizetype dash = row.indexOf(QLatin1Char('-'), first);
        const qsizetype colon = row.indexOf(QLatin1Char(':'), first);
        if (dash <= first || colon <= dash)
            continue;
        bool okStart = false, okEnd = false;
        Range range;
        range.start = QStringView(row).mid(first, dash - first).toULongLong(&okStart, 16);
        range.end = QStringView(row).mid(dash + 1, colon - dash - 1).trimmed().toULongLong(&okEnd, 16);
        if (!okStart || !okEnd)
            continue;
        range.depth = int(first / 2);
        range.name = row.mid(colon + 1).trimmed();
        ranges.push_back(range);
    }
    bool allZero = true;
    for (const Range &range : ranges)
        allZero = allZero && range.start == 0 && range.end == 0;
    if (allZero)
        ranges.clear();
    return ranges;
}

// The ranges a kind of resource ("io", "mem") of the devices' own lists: the PCI functions'
// resource files (BARs and expansion ROM: "0x00000000fe000000 0x00000000fe003fff 0x00040200")
// and the PnP devices' resources ("io 0x3f8-0x3ff").
std::vector<Range> deviceRanges(const SysRoot &root, const char *kind)
{
    std::vector<Range> ranges;
    const bool io = qstrcmp(kind, "io") == 0;
    constexpr quint64 ioFlag = 0x100, memoryFlag = 0x200;
    for (const QString &function : root.entries(QStringLiteral("/sys/bus/pci/devices"))) {
        const QStringList lines = root.readText(QStringLiteral("/sys/bus/pci/devices/") + function + QStringLiteral("/resource")).split(QLatin1Char('\n'));
        // Lines 0 to 5 are the BARs, 6 the ROM; a bridge's windows follow, and are no device's.
        for (qsizetype i = 0; i < std::min<qsizetype>(lines.size(), 7); ++i) {
            const QStringList fields = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
            bool okStart = false, okEnd = false, okFlags = false;
            const quint64 start = fields.value(0).toULongLong(&okStart, 16);
            const quint64 end = fields.value(1).toULongLong(&okEnd, 16);
            const quint64 flags = fields.value(2).toULongLong(&okFlags, 16);
            if (okStart && okEnd && okFlags && end > start && (flags & (io ? ioFlag : memoryFlag)))
                ranges.push_back({start, end, function, 0});
        }
    }
    for (const QString &device : root.entries(QStringLiteral("/sys/bus/pnp/devices")))
        for (const QString &line : root.readText(QStringLiteral("/sys/bus/pnp/devices/") + device + QStringLiteral("/resources")).split(QLatin1Char('\n'))) {
            // "io 0x3f8-0x3ff"
            const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            const QStringList bounds = words.value(1).split(QLatin1Char('-'));
            bool okStart = false, okEnd = false;
            const quint64 start = bounds.value(0).startsWith(QLatin1String("0x")) ? bounds.value(0).mid(2).toULongLong(&okStart, 16) : 0;
            const quint64 end = bounds.value(1).startsWith(QLatin1String("0x")) ? bounds.value(1).mid(2).toULongLong(&okEnd, 16) : 0;
            if (words.value(0) == QLatin1String(kind) && bounds.size() == 2 && okStart && okEnd)
                ranges.push_back({start, end, device, 0});
        }
    return ranges;
}

QString portText(quint64 value)
{
    return QStringLiteral("0x%1").arg(value, 4, 16, QLatin1Char('0')).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x"));
}

QString memoryText(quint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper();
}

WmiObject resource(const QString &className, const QString &caption, quint64 start, quint64 end, const QString &system)
{
    Instance instance(className);
    instance.text(QStringLiteral("Caption"), caption);
    instance.text(QStringLiteral("Description"), caption);
    instance.text(QStringLiteral("Name"), caption);
    instance.text(QStringLiteral("StartingAddress"), QString::number(start));
    instance.text(QStringLiteral("EndingAddress"), QString::number(end));
    instance.text(QStringLiteral("Status"), QStringLiteral("OK"));
    instance.text(QStringLiteral("CreationClassName"), className);
    instance.text(QStringLiteral("CSCreationClassName"), QStringLiteral("Win32_ComputerSystem"));
    instance.text(QStringLiteral("CSName"), system);
    if (className == QLatin1String("Win32_PortResource"))
        instance.flag(QStringLiteral("Alias"), false);
    return instance.object();
}

} // namespace

std::vector<WmiObject> irqResources(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    QSet<qint64> seen;
    // " 26:   0   1   IO-APIC   4-edge   ttyS0"; chip names may hold blanks, the hardware
    // line comes as "<number>-<trigger>", and the handlers follow it.
    struct HardwareLine {
        qint64 number = -1;
        QString trigger;
        qsizetype end = -1;
    };
    auto hardwareLine = [](const QString &line) {
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        qsizetype at = 0;
        for (const QString &word : words) {
            at = line.indexOf(word, at) + word.size();
            const qsizetype dash = word.indexOf(QLatin1Char('-'));
            bool ok = false;
            const qint64 number = dash > 0 ? QStringView(word).left(dash).toLongLong(&ok) : -1;
            const QStringView trigger = QStringView(word).mid(dash + 1);
            if (ok && (trigger == QLatin1String("edge") || trigger == QLatin1String("level") || trigger == QLatin1String("fasteoi")))
                return HardwareLine{number, trigger.toString(), at};
        }
        return HardwareLine{};
    };
    const QStringList lines = root.readText(QStringLiteral("/proc/interrupts"), 1024 * 1024).split(QLatin1Char('\n'));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        bool ok = false;
        const qint64 linuxNumber = line.left(colon).trimmed().toLongLong(&ok);
        if (colon < 0 || !ok)
            continue; // NMI, LOC and the other processor-internal counters
        const HardwareLine match = hardwareLine(line);
        const bool ioApic = line.contains(QLatin1String("IO-APIC")) || line.contains(QLatin1String("XT-PIC"));
        const qint64 number = ioApic && match.number >= 0 ? match.number : linuxNumber;
        if (seen.contains(number))
            continue;
        seen.insert(number);
        const QString handlers = match.number >= 0 ? line.mid(match.end).trimmed() : QString();
        const QString caption = QStringLiteral("IRQ%1").arg(number);
        Instance instance(QStringLiteral("Win32_IRQResource"));
        instance.text(QStringLiteral("Caption"), caption);
        instance.text(QStringLiteral("Description"), caption);
        instance.text(QStringLiteral("Name"), caption);
        instance.number(QStringLiteral("IRQNumber"), number);
        instance.flag(QStringLiteral("Hardware"), true);
        instance.flag(QStringLiteral("Shareable"), handlers.contains(QLatin1Char(',')));
        instance.number(QStringLiteral("Availability"), 4);
        if (match.number >= 0) {
            const bool edge = match.trigger == QLatin1String("edge");
            instance.number(QStringLiteral("TriggerType"), edge ? 4 : 3);
            instance.number(QStringLiteral("TriggerLevel"), edge ? 2 : 3);
        }
        instance.text(QStringLiteral("Status"), QStringLiteral("OK"));
        instance.text(QStringLiteral("CreationClassName"), QStringLiteral("Win32_IRQResource"));
        instance.text(QStringLiteral("CSCreationClassName"), QStringLiteral("Win32_ComputerSystem"));
        instance.text(QStringLiteral("CSName"), system);
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> portResources(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    QSet<QString> seen;
    auto add = [&](quint64 start, quint64 end) {
        const QString caption = portText(start) + QLatin1Char('-') + portText(end);
        if (seen.contains(caption))
            return;
        seen.insert(caption);
        result.push_back(resource(QStringLiteral("Win32_PortResource"), caption, start, end, system));
    };
    std::vector<Range> ranges = parseRanges(root.readText(QStringLiteral("/proc/ioports"), 1024 * 1024));
    if (ranges.empty())
        ranges = deviceRanges(root, "io"); // unprivileged
    for (const Range &range : ranges)
        if (!range.name.startsWith(QLatin1String("PCI Bus")) && range.name != QLatin1String("PCI conf1"))
            add(range.start, range.end);
    return result;
}

std::vector<WmiObject> systemMemoryResources(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    QSet<QString> seen;
    // The ranges devices decode; RAM, the kernel's own parts and the bus windows that merely
    // contain device ranges are not resources of a device.
    std::vector<Range> ranges = parseRanges(root.readText(QStringLiteral("/proc/iomem"), 1024 * 1024));
    if (ranges.empty())
        ranges = deviceRanges(root, "mem"); // unprivileged
    for (const Range &range : ranges) {
        if (range.name == QLatin1String("System RAM") || range.name == QLatin1String("Reserved")
            || range.name.startsWith(QLatin1String("Kernel ")) || range.name.startsWith(QLatin1String("PCI Bus"))
            || range.name.startsWith(QLatin1String("PCI ECAM")))
            continue;
        const QString caption = memoryText(range.start) + QLatin1Char('-') + memoryText(range.end);
        if (seen.contains(caption))
            continue;
        seen.insert(caption);
        result.push_back(resource(QStringLiteral("Win32_SystemMemoryResource"), caption, range.start, range.end, system));
    }
    // Management lists the port resources among the system resources too.
    for (WmiObject &port : portResources(root))
        result.push_back(std::move(port));
    return result;
}

} // namespace platform::linuxhw
