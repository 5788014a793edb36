#include "platform/linux/sources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform::linuxhw {

namespace {
QString cleanRoot(QString root)
{
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root;
}

QString firstExisting(const QString &configured, std::initializer_list<const char *> candidates)
{
    if (!configured.isEmpty())
        return configured;
    for (const char *candidate : candidates)
        if (QFileInfo::exists(QString::fromLatin1(candidate)))
            return QString::fromLatin1(candidate);
    return {};
}
} // namespace

SysRoot::SysRoot(const LinuxProvider::Options &options)
    : options_(options), root_(cleanRoot(options.root)),
      canonicalRoot_(QFileInfo(root_.isEmpty() ? QStringLiteral("/") : root_).canonicalFilePath())
{
}

QString SysRoot::path(const QString &absolute) const
{
    return root_ + (absolute.startsWith(QLatin1Char('/')) ? absolute : QLatin1Char('/') + absolute);
}

QByteArray SysRoot::readBytes(const QString &absolute, qint64 maxBytes) const
{
    QFile file(path(absolute));
    // Only regular files: a device node or a FIFO could block the read.
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    return file.read(maxBytes);
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
    return QFileInfo::exists(path(absolute));
}

QStringList SysRoot::entries(const QString &absolute) const
{
    return QDir(path(absolute)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
}

QString SysRoot::resolved(const QString &absolute) const
{
    const QString real = QFileInfo(path(absolute)).canonicalFilePath();
    if (real.isEmpty())
        return {};
    if (canonicalRoot_ == QLatin1String("/"))
        return real;
    if (real.startsWith(canonicalRoot_) && real.size() > canonicalRoot_.size() && real.at(canonicalRoot_.size()) == QLatin1Char('/'))
        return real.mid(canonicalRoot_.size());
    // A link that leaves the root points at the real machine, not at the tree being read.
    return {};
}

QString SysRoot::linkTarget(const QString &absolute) const
{
    const QString target = QFileInfo(path(absolute)).symLinkTarget();
    return target.isEmpty() ? QString() : QFileInfo(target).fileName();
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

QString SysRoot::pciIdsPath() const
{
    return firstExisting(options_.pciIds, {"/usr/share/misc/pci.ids", "/usr/share/hwdata/pci.ids"});
}

QString SysRoot::usbIdsPath() const
{
    return firstExisting(options_.usbIds,
                         {"/usr/share/misc/usb.ids", "/var/lib/usbutils/usb.ids", "/usr/share/hwdata/usb.ids"});
}

QString SysRoot::pnpIdsPath() const
{
    return firstExisting(options_.pnpIds, {"/usr/share/hwdata/pnp.ids", "/usr/share/misc/pnp.ids"});
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
