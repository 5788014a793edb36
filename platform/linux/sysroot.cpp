#include "platform/linux/sources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform::linuxhw {

QString SysRoot::path(const QString &absolute) const
{
    QString root = options_.root;
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root + (absolute.startsWith(QLatin1Char('/')) ? absolute : QLatin1Char('/') + absolute);
}

QByteArray SysRoot::readBytes(const QString &absolute, qint64 maxBytes) const
{
    QFile file(path(absolute));
    if (!file.open(QIODevice::ReadOnly))
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

bool SysRoot::exists(const QString &absolute) const
{
    return QFileInfo::exists(path(absolute));
}

QStringList SysRoot::entries(const QString &absolute) const
{
    return QDir(path(absolute)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
}

} // namespace platform::linuxhw
