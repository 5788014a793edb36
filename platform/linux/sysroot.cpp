#include "platform/linux/sources.h"

#include "platform/management/boundedfile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform::linuxhw {

namespace {

QString cleanRoot(QString root)
{
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root;
}

// "/a/./b/../c" → "/a/c"; ".." at the top stays at the top, as it does in a chroot.
bool isNormalised(QStringView path)
{
    if (path.isEmpty() || path.front() != u'/' || (path.size() > 1 && path.back() == u'/'))
        return false;
    for (qsizetype i = 1; i < path.size(); ++i)
        if (path[i - 1] == u'/' && (path[i] == u'/' || path[i] == u'.'))
            return false;
    return true;
}

QString normalised(const QString &path)
{
    if (isNormalised(path))
        return path;
    QString result;
    result.reserve(path.size() + 1);
    for (qsizetype at = 0; at < path.size();) {
        qsizetype next = path.indexOf(QLatin1Char('/'), at);
        if (next < 0)
            next = path.size();
        const QStringView part = QStringView(path).mid(at, next - at);
        if (part == u"..")
            result.truncate(std::max<qsizetype>(result.lastIndexOf(QLatin1Char('/')), 0));
        else if (!part.isEmpty() && part != u".")
            result.append(QLatin1Char('/')).append(part);
        at = next + 1;
    }
    return result.isEmpty() ? QStringLiteral("/") : result;
}

// openat2 confines a whole lookup to the root in the kernel (Linux 5.6 on); without it a path
// is resolved here, one part at a time, and the link-free result is opened.
std::atomic<bool> kernelConfinement{true};

int openInRoot(int rootFolder, const QByteArray &relative, int flags)
{
    open_how how{};
    how.flags = quint64(flags);
    how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
    for (;;) {
        const int fd = int(::syscall(SYS_openat2, rootFolder, relative.constData(), &how, sizeof how));
        if (fd >= 0 || errno != EAGAIN)
            return fd; // EAGAIN: a rename raced the lookup; look again
    }
}

// File names are UTF-8 (QFile::encodeName is on Linux).
QByteArray relativeName(const QString &machinePath)
{
    const QByteArray name = QStringView(machinePath).mid(machinePath.startsWith(QLatin1Char('/')) ? 1 : 0).toUtf8();
    return name.isEmpty() ? QByteArrayLiteral(".") : name;
}

} // namespace

SysRoot::SysRoot(const LinuxProvider::Options &options)
    : options_(options), root_(cleanRoot(options.root))
{
    if (isLive())
        return;
    rootFolder_ = ::open(QFile::encodeName(root_).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (rootFolder_ < 0)
        throw WmiError(QStringLiteral("The hardware folder \"%1\" cannot be read: %2").arg(root_, QString::fromLocal8Bit(std::strerror(errno))));
}

SysRoot::~SysRoot()
{
    if (rootFolder_ >= 0)
        ::close(rootFolder_);
}

int SysRoot::open(const QString &absolute, int flags) const
{
    if (isLive())
        return ::open(QFile::encodeName(absolute).constData(), flags);
    if (kernelConfinement.load(std::memory_order_relaxed)) {
        const int fd = openInRoot(rootFolder_, relativeName(absolute), flags);
        if (fd >= 0 || (errno != ENOSYS && errno != EPERM))
            return fd;
        kernelConfinement = false; // an older kernel, or a sandbox that refuses the call
    }
    const QString path = resolved(absolute);
    return path.isEmpty() ? -1 : ::openat(rootFolder_, relativeName(path).constData(), flags | O_NOFOLLOW);
}

// Plain system calls: an inventory reads thousands of small files, and Qt's file classes
// cost several times more per file than the reads themselves.
QByteArray SysRoot::readBytes(const QString &absolute, qint64 maxBytes) const
{
    const QString key = options_.snapshot ? absolute + QLatin1Char('|') + QString::number(maxBytes) : QString();
    if (options_.snapshot)
        if (const auto it = files_.constFind(key); it != files_.constEnd())
            return *it;
    QByteArray data;
    // Non-blocking, and only regular files: a device node or a FIFO could block the read.
    if (const int fd = open(absolute, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); fd >= 0) {
        data = readRegularFile(fd, maxBytes).value_or(QByteArray());
        ::close(fd);
    }
    if (options_.snapshot)
        files_.insert(key, data);
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
    const QByteArray text = readBytes(absolute, 4096).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.startsWith("0x") || text.startsWith("0X") ? text.mid(2).toLongLong(&ok, 16) : text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

bool SysRoot::exists(const QString &absolute) const
{
    if (options_.snapshot)
        if (const auto it = present_.constFind(absolute); it != present_.constEnd())
            return *it;
    const int fd = open(absolute, O_PATH | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    if (options_.snapshot)
        present_.insert(absolute, fd >= 0);
    return fd >= 0;
}

QStringList SysRoot::entries(const QString &absolute) const
{
    if (options_.snapshot)
        if (const auto it = folders_.constFind(absolute); it != folders_.constEnd())
            return *it;
    QStringList names;
    DIR *folder = nullptr;
    if (isLive()) {
        folder = ::opendir(QFile::encodeName(absolute).constData());
    } else if (const int fd = open(absolute, O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC); fd >= 0) {
        folder = ::fdopendir(fd);
        if (!folder)
            ::close(fd);
    }
    if (!folder)
        return names;
    while (const dirent *entry = ::readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names << QFile::decodeName(entry->d_name);
    }
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    if (options_.snapshot)
        folders_.insert(absolute, names);
    return names;
}

QString SysRoot::resolved(const QString &absolute) const
{
    return resolvedMachinePath(normalised(absolute.startsWith(QLatin1Char('/')) ? absolute : QLatin1Char('/') + absolute), 0);
}

QString SysRoot::hostPath(const QString &absolute) const
{
    const QString inside = resolved(absolute);
    return root_ + (inside.isEmpty() ? normalised(absolute.startsWith(QLatin1Char('/')) ? absolute : QLatin1Char('/') + absolute) : inside);
}

// Follows the links of a machine path one part at a time, inside the root: a link that names
// an absolute path names a path of the tree being read, as it would in a chroot.
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
        // Every part of the folder is known not to be a link, so nothing but the last part can
        // lead elsewhere.
        char buffer[PATH_MAX];
        const ssize_t length = isLive() ? ::readlink(QFile::encodeName(joined).constData(), buffer, sizeof buffer - 1)
                                        : ::readlinkat(rootFolder_, relativeName(joined).constData(), buffer, sizeof buffer - 1);
        if (length > 0) {
            const QString target = QFile::decodeName(QByteArray(buffer, length));
            result = resolvedMachinePath(normalised(target.startsWith(QLatin1Char('/')) ? target : folder + QLatin1Char('/') + target), depth + 1);
        } else if (errno == EINVAL) {
            result = joined; // there, and not a link
        }
    }
    resolvedPaths_.insert(path, result);
    return result;
}

QString SysRoot::linkTarget(const QString &absolute) const
{
    if (options_.snapshot)
        if (const auto it = links_.constFind(absolute); it != links_.constEnd())
            return *it;
    char buffer[PATH_MAX];
    ssize_t length = -1;
    if (isLive()) {
        length = ::readlink(QFile::encodeName(absolute).constData(), buffer, sizeof buffer - 1);
    } else if (const QString path = normalised(absolute); path != QLatin1String("/")) {
        // The folder is reached inside the root; the link itself is only read, not followed.
        if (const int folder = open(parentPath(path), O_PATH | O_DIRECTORY | O_CLOEXEC); folder >= 0) {
            length = ::readlinkat(folder, QFile::encodeName(baseName(path)).constData(), buffer, sizeof buffer - 1);
            ::close(folder);
        }
    }
    QString target = length > 0 ? QFile::decodeName(QByteArray(buffer, length)) : QString();
    while (target.size() > 1 && target.endsWith(QLatin1Char('/')))
        target.chop(1);
    target = target.mid(target.lastIndexOf(QLatin1Char('/')) + 1);
    if (options_.snapshot)
        links_.insert(absolute, target);
    return target;
}

Uevent SysRoot::uevent(const QString &folder) const
{
    return Uevent(readBytes(folder + QStringLiteral("/uevent"), 64 * 1024));
}

qsizetype Uevent::find(const char *key) const
{
    const qsizetype length = qsizetype(std::strlen(key));
    for (qsizetype line = 0; line < text_.size();) {
        qsizetype end = text_.indexOf('\n', line);
        if (end < 0)
            end = text_.size();
        const QByteArrayView view(text_.constData() + line, end - line);
        const qsizetype equals = view.indexOf('=');
        if (equals > 0 && view.first(equals).trimmed() == QByteArrayView(key, length))
            return line + equals + 1;
        line = end + 1;
    }
    return -1;
}

QString Uevent::value(const char *key) const
{
    const qsizetype start = find(key);
    if (start < 0)
        return {};
    qsizetype end = text_.indexOf('\n', start);
    if (end < 0)
        end = text_.size();
    return QString::fromUtf8(QByteArrayView(text_.constData() + start, end - start).trimmed());
}

bool Uevent::contains(const char *key) const
{
    return find(key) >= 0;
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
    static const char digits[] = "0123456789ABCDEF";
    const auto bits = quint16(*value & 0xffff);
    const char text[4] = {digits[bits >> 12], digits[(bits >> 8) & 0xf], digits[(bits >> 4) & 0xf], digits[bits & 0xf]};
    return QString::fromLatin1(text, 4);
}

std::optional<qint64> scaled(std::optional<qint64> value, qint64 multiplier, qint64 divisor)
{
    if (!value || *value < 0 || multiplier < 0 || divisor <= 0)
        return std::nullopt;
    const __int128 result = __int128(*value) * multiplier / divisor;
    return within(result > INT64_MAX ? std::nullopt : std::optional<qint64>(qint64(result)), 0, INT64_MAX);
}

std::optional<qint64> within(std::optional<qint64> value, qint64 minimum, qint64 maximum)
{
    return value && *value >= minimum && *value <= maximum ? value : std::nullopt;
}

} // namespace platform::linuxhw
