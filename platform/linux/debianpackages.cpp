// Debian's hardware-to-package tables: which package ships a firmware file, which packages
// support a device, and which packages are installed.
#include "platform/linux/debianpackages.h"

#include "platform/linux/sources.h"

#include <fnmatch.h>

namespace platform::linuxhw {

namespace {

const char kTables[] = "/usr/share/isenkram";
constexpr int kStart = 8;
constexpr qint64 kTableLimit = 64 * 1024 * 1024;

bool isPackageName(const QString &name)
{
    if (name.isEmpty() || name.size() > 128)
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (!((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '+' || u == '-' || u == '.'))
            return false;
    }
    return true;
}

} // namespace

QString debianArchitecture()
{
#if defined(__x86_64__)
    return QStringLiteral("amd64");
#elif defined(__aarch64__)
    return QStringLiteral("arm64");
#elif defined(__i386__)
    return QStringLiteral("i386");
#elif defined(__arm__)
    return QStringLiteral("armhf");
#elif defined(__powerpc64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return QStringLiteral("ppc64el");
#elif defined(__s390x__)
    return QStringLiteral("s390x");
#else
    return QString();
#endif
}

DebianPackages::DebianPackages(const SysRoot &root, const QString &codename) : root_(root)
{
    const QString folder = QString::fromLatin1(kTables);
    if (root.exists(folder + QStringLiteral("/modaliases"))) {
        aliasTable_ = folder + QStringLiteral("/modaliases");
        loadAliases(root.readBytes(aliasTable_, kTableLimit));
    }
    if (codename.isEmpty())
        return;
    const QString architecture = debianArchitecture();
    for (const QString &entry : root.entries(folder)) {
        // Fw-Contents-ARCH-CODENAME-AREA, and Fw-Contents-all-CODENAME-AREA for files of every architecture.
        const QStringList parts = entry.split(QLatin1Char('-'));
        if (parts.size() >= 5 && parts[0] == QLatin1String("Fw") && parts[1] == QLatin1String("Contents")
            && (parts[2] == architecture || parts[2] == QLatin1String("all")) && parts[3] == codename)
            firmwareTables_ << folder + QLatin1Char('/') + entry;
    }
}

// Blocks of "Package: NAME" and "Modaliases: module(alias, alias), module(alias)".
void DebianPackages::loadAliases(const QByteArray &table)
{
    QString package;
    for (const QByteArray &rawLine : table.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith("Package:")) {
            package = QString::fromUtf8(line.mid(8).trimmed());
            continue;
        }
        if (!line.startsWith("Modaliases:") || !isPackageName(package))
            continue;
        const int index = int(packageNames_.size());
        packageNames_ << package;
        for (const QByteArray &group : line.mid(11).split(')')) {
            const qsizetype open = group.indexOf('(');
            if (open < 0)
                continue;
            for (QByteArray glob : group.mid(open + 1).split(',')) {
                glob = glob.trimmed();
                // fnmatch backtracks on every "*": a pattern no alias needs could cost seconds.
                if (glob.isEmpty() || glob.size() > 256 || glob.count('*') > 16)
                    continue;
                qsizetype literal = 0;
                while (literal < glob.size() && !QByteArrayView("*?[\\").contains(glob[literal]))
                    ++literal;
                patterns_.push_back({glob, glob.left(literal), index});
                if (literal >= kStart)
                    patternsByStart_[glob.left(kStart)].push_back(int(patterns_.size() - 1));
                else
                    shortPatterns_.push_back(int(patterns_.size() - 1));
            }
        }
    }
}

const QStringList &DebianPackages::packagesFor(const QString &alias)
{
    if (const auto it = byAlias_.constFind(alias); it != byAlias_.constEnd())
        return *it;
    QStringList packages;
    const QByteArray text = alias.toUtf8();
    auto check = [&](int number) {
        const Pattern &pattern = patterns_[size_t(number)];
        const QString &package = packageNames_[pattern.package];
        if (text.startsWith(pattern.prefix) && !packages.contains(package)
            && fnmatch(pattern.glob.constData(), text.constData(), 0) == 0)
            packages << package;
    };
    for (const int number : patternsByStart_.value(text.left(kStart)))
        check(number);
    for (const int number : shortPatterns_)
        check(number);
    packages.sort();
    return *byAlias_.insert(alias, packages);
}

// Lines of "lib/firmware/PATH   [AREA/]SECTION/PACKAGE[,...]"; read only when a firmware file
// is missing, which on most machines is never.
void DebianPackages::loadFirmware()
{
    byFirmware_.emplace();
    for (const QString &table : firmwareTables_)
        addFirmware(root_.readBytes(table, kTableLimit));
}

void DebianPackages::addFirmware(const QByteArray &table)
{
    for (const QByteArray &line : table.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() != 2 || !fields[0].startsWith("lib/firmware/"))
            continue;
        std::vector<DebianPackage> &providers = (*byFirmware_)[QString::fromUtf8(fields[0].mid(13))];
        for (const QByteArray &location : fields[1].split(',')) {
            const QList<QByteArray> parts = location.split('/');
            const QString name = QString::fromUtf8(parts.last());
            if (!isPackageName(name))
                continue;
            const QString component = parts.size() >= 3 ? QString::fromUtf8(parts.first()) : QStringLiteral("main");
            bool listed = false;
            for (const DebianPackage &known : providers)
                listed = listed || known.name == name;
            if (!listed)
                providers.push_back({name, component});
        }
    }
}

void DebianPackages::addTables(const QByteArray &aliasTable, const QByteArray &firmwareTable)
{
    loadAliases(aliasTable);
    byAlias_.clear();
    if (!byFirmware_)
        loadFirmware();
    addFirmware(firmwareTable);
}

std::vector<DebianPackage> DebianPackages::firmwareProviders(const QString &file)
{
    if (!byFirmware_)
        loadFirmware();
    return byFirmware_->value(file);
}

bool DebianPackages::installed(const QString &package) const
{
    if (const auto it = installed_.constFind(package); it != installed_.constEnd())
        return *it;
    const QString info = QStringLiteral("/var/lib/dpkg/info/") + package;
    const bool found = isPackageName(package)
        && (root_.exists(info + QStringLiteral(".list")) || root_.exists(info + QLatin1Char(':') + debianArchitecture() + QStringLiteral(".list")));
    installed_.insert(package, found);
    return found;
}

} // namespace platform::linuxhw
