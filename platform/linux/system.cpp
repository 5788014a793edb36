// Win32_ComputerSystem and Win32_OperatingSystem: host name, firmware identity, memory,
// os-release and the kernel release.
#include "platform/linux/cpuinfo.h"
#include "platform/linux/sources.h"

#include <QDateTime>
#include <QSet>

#include <sys/utsname.h>

namespace platform::linuxhw {

QHash<QString, qint64> memoryInfo(const SysRoot &root);

QString osReleaseField(const SysRoot &root, const QString &key)
{
    QString text;
    if (!root.options().osRelease.isEmpty()) {
        LinuxProvider::Options direct;
        direct.root = QStringLiteral("/");
        text = SysRoot(direct).readText(root.options().osRelease);
    } else {
        text = root.readText(QStringLiteral("/etc/os-release"));
        if (text.isEmpty())
            text = root.readText(QStringLiteral("/usr/lib/os-release"));
    }
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.startsWith(key + QLatin1Char('=')))
            continue;
        QString value = line.mid(key.size() + 1).trimmed();
        if (value.size() >= 2 && (value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char('\''))))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

namespace {

QString hostName(const SysRoot &root)
{
    QString name = root.readValue(QStringLiteral("/proc/sys/kernel/hostname"));
    if (name.isEmpty())
        name = root.readValue(QStringLiteral("/etc/hostname"));
    return name;
}

// "x86_64", "aarch64", ...: the kernel's own word when it can be read under the root, this
// machine's otherwise.
QString machine(const SysRoot &root)
{
    QString arch = root.readValue(QStringLiteral("/proc/sys/kernel/arch"));
    if (arch.isEmpty() && root.isLive()) {
        utsname names{};
        if (uname(&names) == 0)
            arch = QString::fromLatin1(names.machine);
    }
    return arch;
}

QString dmiId(const SysRoot &root, const char *name)
{
    return root.readValue(QStringLiteral("/sys/class/dmi/id/") + QLatin1String(name));
}

std::optional<qint64> pcSystemType(std::optional<qint64> chassis)
{
    if (!chassis)
        return std::nullopt;
    static const QSet<qint64> desktops = {3, 4, 5, 6, 7, 13, 15, 16, 24, 35, 36};
    static const QSet<qint64> mobiles = {8, 9, 10, 14, 30, 31, 32};
    static const QSet<qint64> servers = {17, 23, 28, 29};
    if (desktops.contains(*chassis))
        return 1;
    if (mobiles.contains(*chassis))
        return 2;
    if (servers.contains(*chassis))
        return 4;
    return std::nullopt;
}

} // namespace

QString computerName(const SysRoot &root)
{
    return hostName(root).toUpper();
}

std::vector<WmiObject> computerSystems(const SysRoot &root)
{
    const QString name = computerName(root);
    const std::vector<LogicalCpu> cpus = parseCpuInfo(root.readText(QStringLiteral("/proc/cpuinfo"), 4 * 1024 * 1024));
    QSet<int> packages;
    for (const LogicalCpu &cpu : cpus)
        packages.insert(cpu.physicalId);
    const QHash<QString, qint64> memory = memoryInfo(root);
    const QString arch = machine(root);

    Instance instance(QStringLiteral("Win32_ComputerSystem"));
    instance.text(QStringLiteral("Caption"), name);
    instance.text(QStringLiteral("Name"), name);
    instance.text(QStringLiteral("Description"), QStringLiteral("AT/AT COMPATIBLE"));
    instance.text(QStringLiteral("DNSHostName"), hostName(root));
    const QString domain = root.readValue(QStringLiteral("/proc/sys/kernel/domainname"));
    instance.text(QStringLiteral("Domain"), domain == QLatin1String("(none)") ? QString() : domain);
    instance.text(QStringLiteral("Manufacturer"), dmiId(root, "sys_vendor"));
    instance.text(QStringLiteral("Model"), dmiId(root, "product_name"));
    instance.text(QStringLiteral("SystemFamily"), dmiId(root, "product_family"));
    instance.text(QStringLiteral("SystemSKUNumber"), dmiId(root, "product_sku"));
    const auto chassis = root.readNumber(QStringLiteral("/sys/class/dmi/id/chassis_type"));
    instance.number(QStringLiteral("PCSystemType"), pcSystemType(chassis));
    if (const auto bytes = scaled(memory.value(QStringLiteral("MemTotal"), -1), 1024))
        instance.text(QStringLiteral("TotalPhysicalMemory"), QString::number(*bytes));
    if (!cpus.empty()) {
        instance.number(QStringLiteral("NumberOfLogicalProcessors"), qint64(cpus.size()));
        instance.number(QStringLiteral("NumberOfProcessors"), qint64(packages.size()));
        if (!cpus.front().arm)
            instance.flag(QStringLiteral("HypervisorPresent"), cpus.front().hasFlag("hypervisor"));
    }
    if (arch == QLatin1String("x86_64"))
        instance.text(QStringLiteral("SystemType"), QStringLiteral("x64-based PC"));
    else if (arch == QLatin1String("aarch64"))
        instance.text(QStringLiteral("SystemType"), QStringLiteral("ARM64-based PC"));
    else if (arch.size() == 4 && arch.startsWith(QLatin1Char('i')) && arch.endsWith(QLatin1String("86")))
        instance.text(QStringLiteral("SystemType"), QStringLiteral("X86-based PC"));
    instance.text(QStringLiteral("Status"), QStringLiteral("OK"));
    instance.text(QStringLiteral("CreationClassName"), QStringLiteral("Win32_ComputerSystem"));
    return {instance.object()};
}

std::vector<WmiObject> operatingSystems(const SysRoot &root)
{
    QString pretty = osReleaseField(root, QStringLiteral("PRETTY_NAME"));
    if (pretty.isEmpty())
        pretty = osReleaseField(root, QStringLiteral("NAME"));
    const QString release = root.readValue(QStringLiteral("/proc/sys/kernel/osrelease"));
    const QHash<QString, qint64> memory = memoryInfo(root);
    const QString arch = machine(root);
    Instance instance(QStringLiteral("Win32_OperatingSystem"));
    instance.text(QStringLiteral("Caption"), pretty);
    instance.text(QStringLiteral("Name"), pretty);
    instance.text(QStringLiteral("Version"), release);
    instance.number(QStringLiteral("OSType"), 36);
    instance.text(QStringLiteral("OtherTypeDescription"), osReleaseField(root, QStringLiteral("NAME")));
    instance.text(QStringLiteral("Manufacturer"), osReleaseField(root, QStringLiteral("NAME")));
    instance.text(QStringLiteral("CSName"), computerName(root));
    instance.text(QStringLiteral("CSCreationClassName"), QStringLiteral("Win32_ComputerSystem"));
    instance.text(QStringLiteral("CreationClassName"), QStringLiteral("Win32_OperatingSystem"));
    instance.flag(QStringLiteral("Primary"), true);
    instance.text(QStringLiteral("Status"), QStringLiteral("OK"));
    if (arch == QLatin1String("x86_64") || arch == QLatin1String("aarch64"))
        instance.text(QStringLiteral("OSArchitecture"), QStringLiteral("64-bit"));
    else if (!arch.isEmpty())
        instance.text(QStringLiteral("OSArchitecture"), QStringLiteral("32-bit"));
    auto kilobytes = [&](const char *field) {
        const QString key = QLatin1String(field);
        return memory.contains(key) ? QString::number(memory.value(key)) : QString();
    };
    instance.text(QStringLiteral("TotalVisibleMemorySize"), kilobytes("MemTotal"));
    instance.text(QStringLiteral("FreePhysicalMemory"), kilobytes("MemAvailable"));
    instance.text(QStringLiteral("TotalSwapSpaceSize"), kilobytes("SwapTotal"));
    for (const QString &line : root.readText(QStringLiteral("/proc/stat"), 256 * 1024).split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1String("btime ")))
            continue;
        bool ok = false;
        // Seconds since 1970, up to the last second a management date can hold (year 9999).
        if (const auto seconds = within(line.mid(6).trimmed().toLongLong(&ok), 0, 253402300799LL); ok && seconds) {
            const QDateTime boot = QDateTime::fromSecsSinceEpoch(*seconds, Qt::UTC);
            instance.text(QStringLiteral("LastBootUpTime"), boot.toString(QStringLiteral("yyyyMMddHHmmss")) + QStringLiteral(".000000+000"));
        }
    }
    return {instance.object()};
}

} // namespace platform::linuxhw
