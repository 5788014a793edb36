// Processors from /proc/cpuinfo and /sys/devices/system/cpu (topology, frequency, caches).
#include "platform/linux/cpuinfo.h"
#include "platform/linux/smbios.h"
#include "platform/linux/sources.h"

#include <QMap>
#include <QSet>

#include <cmath>

namespace platform::linuxhw {

std::vector<LogicalCpu> parseCpuInfo(const QString &text)
{
    std::vector<LogicalCpu> cpus;
    LogicalCpu current;
    bool any = false;
    auto finish = [&] {
        if (any)
            cpus.push_back(current);
        current = LogicalCpu();
        any = false;
    };
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            if (line.trimmed().isEmpty())
                finish();
            continue;
        }
        const QString key = line.left(colon).trimmed();
        const QString value = line.mid(colon + 1).trimmed();
        bool ok = false;
        if (key == QLatin1String("processor")) {
            if (any)
                finish();
            current.processor = value.toInt();
            any = true;
        } else if (key == QLatin1String("vendor_id")) {
            current.vendor = value;
        } else if (key == QLatin1String("model name")) {
            current.modelName = value;
        } else if (key == QLatin1String("cpu family")) {
            current.family = value.toInt();
        } else if (key == QLatin1String("model")) {
            current.model = value.toInt();
        } else if (key == QLatin1String("stepping")) {
            current.stepping = value.toInt();
        } else if (key == QLatin1String("physical id")) {
            current.physicalId = value.toInt();
        } else if (key == QLatin1String("cpu cores")) {
            current.cores = value.toInt();
        } else if (key == QLatin1String("siblings")) {
            current.siblings = value.toInt();
        } else if (key == QLatin1String("cpu MHz")) {
            current.mhz = value.toDouble();
        } else if (key == QLatin1String("flags") || key == QLatin1String("Features")) {
            current.flags = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        } else if (key == QLatin1String("CPU implementer")) {
            current.arm = true;
            current.vendor = value;
        } else if (key == QLatin1String("CPU architecture")) {
            current.family = value.toInt(&ok);
        } else if (key == QLatin1String("CPU part")) {
            current.model = value.toInt(&ok, 16);
        } else if (key == QLatin1String("CPU variant")) {
            current.stepping = value.toInt(&ok, 16);
        }
    }
    finish();
    return cpus;
}

QString processorCaption(const LogicalCpu &cpu)
{
    if (cpu.arm)
        return QStringLiteral("ARMv%1 (64-bit) Family %1 Model %2 Revision %3")
            .arg(cpu.family)
            .arg(QString::number(cpu.model, 16).toUpper())
            .arg(cpu.stepping);
    QString architecture = QStringLiteral("x86");
    if (cpu.hasFlag("lm"))
        architecture = cpu.vendor == QLatin1String("AuthenticAMD") || cpu.vendor == QLatin1String("HygonGenuine")
            ? QStringLiteral("AMD64")
            : QStringLiteral("Intel64");
    return QStringLiteral("%1 Family %2 Model %3 Stepping %4").arg(architecture).arg(cpu.family).arg(cpu.model).arg(cpu.stepping);
}

QString processorRevisionText(const LogicalCpu &cpu)
{
    return QStringLiteral("%1%2").arg(cpu.model & 0xff, 2, 16, QLatin1Char('0')).arg(cpu.stepping & 0xff, 2, 16, QLatin1Char('0'));
}

namespace {

std::vector<LogicalCpu> readCpus(const SysRoot &root)
{
    return parseCpuInfo(root.readText(QStringLiteral("/proc/cpuinfo"), 4 * 1024 * 1024));
}

// "1024K" → 1024 (KB).
std::optional<qint64> cacheSizeKb(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    QString digits = text;
    qint64 factor = 1;
    if (digits.endsWith(QLatin1Char('K')))
        digits.chop(1);
    else if (digits.endsWith(QLatin1Char('M'))) {
        digits.chop(1);
        factor = 1024;
    }
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    return ok ? scaled(value, factor) : std::nullopt;
}

// The whole cache of a level over a package's processors, as management counts it: every
// distinct cache once (a cache shared by several processors lists them all).
std::optional<qint64> packageCacheKb(const SysRoot &root, const std::vector<LogicalCpu> &package, int level)
{
    QSet<QString> counted;
    std::optional<qint64> total;
    for (const LogicalCpu &cpu : package) {
        const QString base = QStringLiteral("/sys/devices/system/cpu/cpu%1/cache").arg(cpu.processor);
        for (const QString &index : root.entries(base)) {
            const QString folder = base + QLatin1Char('/') + index;
            if (!index.startsWith(QLatin1String("index")) || root.readValue(folder + QStringLiteral("/level")).toInt() != level)
                continue;
            const QString sharing = root.readValue(folder + QStringLiteral("/shared_cpu_list"));
            const QString key = root.readValue(folder + QStringLiteral("/type")) + QLatin1Char('|')
                + (sharing.isEmpty() ? QString::number(cpu.processor) : sharing);
            if (counted.contains(key))
                continue;
            counted.insert(key);
            if (const auto size = cacheSizeKb(root.readValue(folder + QStringLiteral("/size"))))
                total = total.value_or(0) + std::min<qint64>(*size, INT32_MAX);
        }
    }
    return within(total, 0, UINT32_MAX);
}

int architectureCode(const LogicalCpu &cpu)
{
    if (cpu.arm)
        return 12;
    return cpu.hasFlag("lm") ? 9 : 0;
}

} // namespace

std::vector<WmiObject> processors(const SysRoot &root)
{
    const std::vector<LogicalCpu> cpus = readCpus(root);
    // One instance per package, as Windows counts sockets.
    QMap<int, std::vector<LogicalCpu>> packages;
    for (const LogicalCpu &cpu : cpus)
        packages[cpu.physicalId].push_back(cpu);
    const std::vector<SmbiosProcessor> sockets = smbiosProcessors(root);
    const QString system = computerName(root);
    std::vector<WmiObject> result;
    int index = 0;
    for (auto it = packages.cbegin(); it != packages.cend(); ++it, ++index) {
        const LogicalCpu &cpu = it->front();
        const int first = cpu.processor;
        const QString caption = processorCaption(cpu);
        Instance instance(QStringLiteral("Win32_Processor"));
        instance.number(QStringLiteral("Availability"), 3);
        instance.text(QStringLiteral("Caption"), caption);
        instance.text(QStringLiteral("Description"), caption);
        instance.text(QStringLiteral("Name"), cpu.modelName);
        instance.text(QStringLiteral("DeviceID"), QStringLiteral("CPU%1").arg(index));
        instance.text(QStringLiteral("Manufacturer"), cpu.vendor);
        instance.number(QStringLiteral("Architecture"), architectureCode(cpu));
        const int width = cpu.arm || cpu.hasFlag("lm") ? 64 : 32;
        instance.number(QStringLiteral("AddressWidth"), width);
        instance.number(QStringLiteral("DataWidth"), width);
        instance.number(QStringLiteral("Level"), cpu.family >= 0 ? std::optional<qint64>(cpu.family) : std::nullopt);
        if (cpu.model >= 0 && cpu.stepping >= 0)
            instance.number(QStringLiteral("Revision"), (qint64(cpu.model & 0xff) << 8) | (cpu.stepping & 0xff));
        instance.text(QStringLiteral("Stepping"), cpu.stepping >= 0 ? QString::number(cpu.stepping) : QString());
        const qint64 logical = qint64(it->size());
        instance.number(QStringLiteral("NumberOfLogicalProcessors"), logical);
        instance.number(QStringLiteral("ThreadCount"), logical);
        instance.number(QStringLiteral("NumberOfCores"), cpu.cores > 0 ? std::optional<qint64>(cpu.cores) : std::nullopt);
        instance.number(QStringLiteral("NumberOfEnabledCore"), cpu.cores > 0 ? std::optional<qint64>(cpu.cores) : std::nullopt);
        const QString freq = QStringLiteral("/sys/devices/system/cpu/cpu%1/cpufreq/").arg(first);
        // Clock speeds in MHz (uint32); the kernel's are in kHz.
        const auto current = within(scaled(root.readNumber(freq + QStringLiteral("scaling_cur_freq")), 1, 1000), 1, UINT32_MAX);
        const bool plausibleMhz = std::isfinite(cpu.mhz) && cpu.mhz >= 1 && cpu.mhz <= UINT32_MAX;
        instance.number(QStringLiteral("CurrentClockSpeed"),
                        current ? current : plausibleMhz ? std::optional<qint64>(qint64(std::llround(cpu.mhz))) : std::nullopt);
        const auto maximum = within(scaled(root.readNumber(freq + QStringLiteral("cpuinfo_max_freq")), 1, 1000), 1, UINT32_MAX);
        instance.number(QStringLiteral("MaxClockSpeed"), maximum);
        instance.number(QStringLiteral("L2CacheSize"), packageCacheKb(root, *it, 2));
        instance.number(QStringLiteral("L3CacheSize"), packageCacheKb(root, *it, 3));
        instance.number(QStringLiteral("ProcessorType"), 3);
        instance.text(QStringLiteral("Role"), QStringLiteral("CPU"));
        instance.text(QStringLiteral("Status"), QStringLiteral("OK"));
        instance.number(QStringLiteral("StatusInfo"), 3);
        instance.number(QStringLiteral("CpuStatus"), 1);
        instance.flag(QStringLiteral("PowerManagementSupported"), false);
        if (!cpu.arm) {
            instance.flag(QStringLiteral("VMMonitorModeExtensions"), cpu.hasFlag("vmx") || cpu.hasFlag("svm"));
            instance.flag(QStringLiteral("SecondLevelAddressTranslationExtensions"), cpu.hasFlag("ept") || cpu.hasFlag("npt"));
        }
        ownedByComputer(instance, system);
        if (size_t(index) < sockets.size()) {
            const SmbiosProcessor &socket = sockets[size_t(index)];
            instance.text(QStringLiteral("SocketDesignation"), socket.socket);
            instance.number(QStringLiteral("Family"), socket.family);
            instance.number(QStringLiteral("ExtClock"), socket.externalClock);
            if (!maximum)
                instance.number(QStringLiteral("MaxClockSpeed"), socket.maxSpeed);
            instance.number(QStringLiteral("UpgradeMethod"), socket.upgrade);
            instance.text(QStringLiteral("SerialNumber"), socket.serial);
            instance.text(QStringLiteral("AssetTag"), socket.assetTag);
            instance.text(QStringLiteral("PartNumber"), socket.partNumber);
            instance.text(QStringLiteral("ProcessorId"), socket.processorId);
            instance.number(QStringLiteral("CurrentVoltage"), socket.voltage);
            instance.number(QStringLiteral("VoltageCaps"), socket.voltageCaps);
            // The firmware knows the processor's whole caches.
            if (socket.l2CacheKb)
                instance.number(QStringLiteral("L2CacheSize"), socket.l2CacheKb);
            if (socket.l3CacheKb)
                instance.number(QStringLiteral("L3CacheSize"), socket.l3CacheKb);
        }
        result.push_back(instance.object());
    }
    return result;
}

std::vector<PnpDevice> processorDevices(const SysRoot &root)
{
    std::vector<PnpDevice> devices;
    int index = 0;
    for (const LogicalCpu &cpu : readCpus(root)) {
        PnpDevice device;
        device.sysPath = QStringLiteral("/sys/devices/system/cpu/cpu%1").arg(cpu.processor);
        // "GenuineIntel_-_Intel64 Family 6 Model 158_-_Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz"
        const QString family = processorCaption(cpu).section(QStringLiteral(" Stepping"), 0, 0).section(QStringLiteral(" Revision"), 0, 0);
        QString hardware = cpu.vendor + QStringLiteral("_-_") + family + QStringLiteral("_-_") + cpu.modelName;
        hardware = hardware.toUpper();
        hardware.replace(QLatin1Char(' '), QLatin1Char('_'));
        hardware.remove(QLatin1Char('\\'));
        device.deviceId = QStringLiteral("ACPI\\") + hardware + QStringLiteral("\\_") + QString::number(index++);
        device.hardwareIds = {QStringLiteral("ACPI\\") + hardware};
        device.caption = cpu.modelName.isEmpty() ? processorCaption(cpu) : cpu.modelName;
        device.manufacturer = cpu.vendor;
        device.pnpClass = QStringLiteral("Processor");
        device.driver = root.linkTarget(device.sysPath + QStringLiteral("/driver"));
        device.needsDriver = false;
        devices.push_back(device);
    }
    return devices;
}

// Caches as the kernel reports them for the first processor, when the firmware tables
// cannot be read.
std::vector<WmiObject> sysfsCaches(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString base = QStringLiteral("/sys/devices/system/cpu/cpu0/cache");
    const QString system = computerName(root);
    int number = 0;
    for (const QString &index : root.entries(base)) {
        if (!index.startsWith(QLatin1String("index")))
            continue;
        const QString folder = base + QLatin1Char('/') + index;
        const int level = root.readValue(folder + QStringLiteral("/level")).toInt();
        const QString type = root.readValue(folder + QStringLiteral("/type"));
        const auto size = cacheSizeKb(root.readValue(folder + QStringLiteral("/size")));
        Instance instance(QStringLiteral("Win32_CacheMemory"));
        instance.text(QStringLiteral("Caption"), QStringLiteral("Cache Memory"));
        instance.text(QStringLiteral("Description"), QStringLiteral("Cache Memory"));
        instance.text(QStringLiteral("Name"), QStringLiteral("Cache Memory"));
        instance.text(QStringLiteral("DeviceID"), QStringLiteral("Cache Memory %1").arg(number++));
        instance.text(QStringLiteral("Purpose"), QStringLiteral("L%1 Cache").arg(level));
        instance.number(QStringLiteral("Level"), level >= 1 ? std::optional<qint64>(level + 2) : std::nullopt);
        instance.number(QStringLiteral("CacheType"),
                        type == QLatin1String("Instruction") ? 3 : type == QLatin1String("Data") ? 4 : type == QLatin1String("Unified") ? 5 : 2);
        instance.number(QStringLiteral("InstalledSize"), size);
        instance.number(QStringLiteral("MaxCacheSize"), size);
        instance.text(QStringLiteral("BlockSize"), QStringLiteral("1024"));
        instance.text(QStringLiteral("NumberOfBlocks"), size ? QString::number(*size) : QString());
        instance.number(QStringLiteral("LineSize"), root.readNumber(folder + QStringLiteral("/coherency_line_size")));
        const auto ways = root.readNumber(folder + QStringLiteral("/ways_of_associativity"));
        instance.number(QStringLiteral("Associativity"), smbiosAssociativity(ways.value_or(0)));
        instance.number(QStringLiteral("Location"), 0);
        instance.text(QStringLiteral("Status"), QStringLiteral("OK"));
        ownedByComputer(instance, system);
        result.push_back(instance.object());
    }
    return result;
}

} // namespace platform::linuxhw
