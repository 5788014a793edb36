// Whether a firmware file a driver declares is installed where the kernel looks for it.
#include "platform/linux/firmware.h"

#include "platform/linux/sources.h"

namespace platform::linuxhw {

FirmwareFolders::FirmwareFolders(const SysRoot &root, const QString &kernelRelease) : root_(root)
{
    const QString custom = root.readValue(QStringLiteral("/sys/module/firmware_class/parameters/path"));
    if (custom.startsWith(QLatin1Char('/')))
        folders_ << custom;
    if (!kernelRelease.isEmpty())
        folders_ << QStringLiteral("/lib/firmware/updates/") + kernelRelease;
    folders_ << QStringLiteral("/lib/firmware/updates");
    if (!kernelRelease.isEmpty())
        folders_ << QStringLiteral("/lib/firmware/") + kernelRelease;
    folders_ << QStringLiteral("/lib/firmware");
}

bool FirmwareFolders::present(const QString &file) const
{
    if (const auto it = known_.constFind(file); it != known_.constEnd())
        return *it;
    bool found = false;
    const bool safe = !file.isEmpty() && !file.startsWith(QLatin1Char('/')) && !file.contains(QChar(0))
        && !file.split(QLatin1Char('/')).contains(QStringLiteral(".."));
    for (qsizetype i = 0; safe && !found && i < folders_.size(); ++i) {
        const QString path = folders_[i] + QLatin1Char('/') + file;
        found = root_.exists(path) || root_.exists(path + QStringLiteral(".xz")) || root_.exists(path + QStringLiteral(".zst"));
    }
    known_.insert(file, found);
    return found;
}

} // namespace platform::linuxhw
