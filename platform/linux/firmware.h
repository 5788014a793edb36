#pragma once
#include <QHash>
#include <QString>
#include <QStringList>

namespace platform::linuxhw {

class SysRoot;

// Where the kernel looks for the firmware files that drivers ask for, under the root: the
// firmware_class.path parameter, then /lib/firmware/updates/RELEASE, /lib/firmware/updates,
// /lib/firmware/RELEASE and /lib/firmware, each file plain or compressed (.xz, .zst).
class FirmwareFolders {
public:
    FirmwareFolders(const SysRoot &root, const QString &kernelRelease);

    // Whether the file is installed. A name that would leave the firmware folders (absolute,
    // or with "..") is never looked up: module information is outside input.
    bool present(const QString &file) const;

private:
    const SysRoot &root_;
    QStringList folders_;
    mutable QHash<QString, bool> known_;
};

} // namespace platform::linuxhw
