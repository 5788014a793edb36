// Debian's hardware tables are files under the root being read: the readers must survive any
// bytes, and matching an alias against what they hold must stay cheap.
#include "platform/linux/debianpackages.h"
#include "platform/linux/sources.h"

#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // An empty root: the tables come from the input, never from the machine.
    static const QTemporaryDir emptyRoot;
    static const platform::LinuxProvider::Options options = [] {
        platform::LinuxProvider::Options o;
        o.root = emptyRoot.path();
        return o;
    }();
    const platform::linuxhw::SysRoot root(options);
    platform::linuxhw::DebianPackages packages(root, QString());
    // One input holds both tables, split at the first 0x01 byte.
    const qsizetype split = bytes.indexOf('\x01');
    packages.addTables(split < 0 ? bytes : bytes.left(split), split < 0 ? bytes : bytes.mid(split + 1));
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size() && i < 16; ++i) {
        (void)packages.packagesFor(QString::fromUtf8(lines[i]));
        (void)packages.firmwareProviders(QString::fromUtf8(lines[i].mid(13)));
    }
    (void)packages.packagesFor(QStringLiteral("usb:v03EBp2103d0100dc00dsc00dp00ic00isc00ip00in00"));
    (void)packages.firmwareProviders(QStringLiteral("rtl_nic/rtl8168h-2.fw"));
    return 0;
}
