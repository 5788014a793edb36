#include "platform/linux/sources.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <cstring>

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::linuxhw {

namespace {
QString cleanRoot(QString root)
{
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root;
}
} // namespace

SysRoot::SysRoot(const LinuxProvider::Options &options)
    : options_(options), root_(cleanRoot(options.root))
{
}

QString SysRoot::path(const QString &absolute) const
{
    return root_ + (absolute.startsWith(QLatin1Char('/')) ? absolute : QLatin1Char('/') + absolute);
}

// Plain system calls: an inventory reads thousands of small files, and Qt's file classes
// cost several times more per file than the reads themselves.
QByteArray SysRoot::readBytes(const QString &absolute, qint64 maxBytes) const
{
    const QByteArray name = QFile::encodeName(path(absolute));
    // Non-blocking, and only regular files: a device node or a FIFO could block the read.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray data;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        char buffer[16 * 1024];
        while (data.size() < maxBytes) {
            const qint64 wanted = std::min<qint64>(qint64(sizeof buffer), maxBytes - data.size());
            const ssize_t got = ::read(fd, buffer, size_t(wanted));
            if (got <= 0)
                break;
            data.append(buffer, got);
            // The end is known without another read: a file of known size read whole, or a
            // sysfs attribute (a page in size), which the kernel hands over in one read.
            if ((status.st_size > 0 && data.size() >= status.st_size) || (status.st_size == 4096 && got < wanted))
                break;
        }
    }
    ::close(fd);
    return data;
}

QString SysRoot::readText(const QString &absolute, qint64 maxBytes) const
{
    QString text = QString::fromUtf8(readBytes(absolute, maxBytes));
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

QString SysRoot::readValue(const QString &absolute) const
{
    return readText(absolute, 4096).trimmed();
}

std::optional<qint64> SysRoot::readNumber(const QString &absolute) const
{
    const QString text = readValue(absolute);
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toLongLong(&ok, 16)
                                                                                   : text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

bool SysRoot::exists(const QString &absolute) const
{
    struct stat status {};
    return ::stat(QFile::encodeName(path(absolute)).constData(), &status) == 0;
}

QStringList SysRoot::entries(const QString &absolute) const
{
    QStringList names;
    DIR *folder = ::opendir(QFile::encodeName(path(absolute)).constData());
    if (!folder)
        return names;
    while (const dirent *entry = ::readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names << QFile::decodeName(entry->d_name);
    }
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

QString SysRoot::resolved(const QString &absolute) const
{
    const bool clean = absolute.startsWith(QLatin1Char('/')) && !absolute.contains(QLatin1String("/.")) && !absolute.contains(QLatin1String("//"))
        && (absolute.size() == 1 || !absolute.endsWith(QLatin1Char('/')));
    return resolvedMachinePath(clean ? absolute : QDir::cleanPath(QLatin1Char('/') + absolute), 0);
}

// Follows the links of a machine path one part at a time, inside the root. A link that names
// an absolute path points at the real machine, not at the tree being read, unless the root is
// the machine's own.
QString SysRoot::resolvedMachinePath(const QString &path, int depth) const
{
    if (path == QLatin1String("/"))
        return path;
    if (depth > 64)
        return {}; // a loop of links
    if (const auto it = resolvedPaths_.constFind(path); it != resolvedPaths_.constEnd())
        return *it;
    QString result;
    const QString folder = resolvedMachinePath(parentPath(path), depth + 1);
    if (!folder.isEmpty()) {
        const QString joined = (folder == QLatin1String("/") ? QString() : folder) + QLatin1Char('/') + baseName(path);
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(QFile::encodeName(this->path(joined)).constData(), buffer, sizeof buffer - 1);
        if (length > 0) {
            const QString target = QFile::decodeName(QByteArray(buffer, length));
            if (!target.startsWith(QLatin1Char('/')))
                result = resolvedMachinePath(QDir::cleanPath(folder + QLatin1Char('/') + target), depth + 1);
            else if (root_.isEmpty())
                result = resolvedMachinePath(QDir::cleanPath(target), depth + 1);
        } else if (errno == EINVAL) {
            result = joined; // there, and not a link
        }
    }
    resolvedPaths_.insert(path, result);
    return result;
}

QString SysRoot::linkTarget(const QString &absolute) const
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(QFile::encodeName(path(absolute)).constData(), buffer, sizeof buffer - 1);
    if (length <= 0)
        return {};
    QString target = QFile::decodeName(QByteArray(buffer, length));
    while (target.size() > 1 && target.endsWith(QLatin1Char('/')))
        target.chop(1);
    return target.mid(target.lastIndexOf(QLatin1Char('/')) + 1);
}

QHash<QString, QString> SysRoot::uevent(const QString &folder) const
{
    QHash<QString, QString> values;
    for (const QString &line : readText(folder + QStringLiteral("/uevent")).split(QLatin1Char('\n'))) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            values.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return values;
}

QString SysRoot::idsPath(std::optional<QString> &found, const QString &configured,
                         std::initializer_list<const char *> candidates) const
{
    if (!found) {
        found = configured;
        for (const char *candidate : candidates)
            if (found->isEmpty() && QFileInfo::exists(QString::fromLatin1(candidate)))
                found = QString::fromLatin1(candidate);
    }
    return *found;
}

QString SysRoot::pciIdsPath() const
{
    return idsPath(pciIds_, options_.pciIds, {"/usr/share/misc/pci.ids", "/usr/share/hwdata/pci.ids"});
}

QString SysRoot::usbIdsPath() const
{
    return idsPath(usbIds_, options_.usbIds,
                   {"/usr/share/misc/usb.ids", "/var/lib/usbutils/usb.ids", "/usr/share/hwdata/usb.ids"});
}

QString SysRoot::pnpIdsPath() const
{
    return idsPath(pnpIds_, options_.pnpIds, {"/usr/share/hwdata/pnp.ids", "/usr/share/misc/pnp.ids"});
}

QString parentPath(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString baseName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString hex4(std::optional<qint64> value)
{
    if (!value)
        return {};
    return QStringLiteral("%1").arg(*value & 0xffff, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace platform::linuxhw
