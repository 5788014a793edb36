// A downloaded server-address file: whatever the update host sends, an address the Updater
// accepts survives the trip through ServerIP.txt unchanged, and nothing else is stored.
#include "windows/livehelp/serveripfile.h"
#include "windows/updater/serveraddressdownload.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir folder;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QString> address = ServerAddressDownload::addressFromText(text);
    if (!address)
        return 0;
    if (address->isEmpty() || *address != address->trimmed())
        std::abort();
    const QString path = folder.filePath(QStringLiteral("ServerIP.txt"));
    writeServerAddress(path, *address);
    if (readServerAddress(path) != *address)
        std::abort();
    return 0;
}
