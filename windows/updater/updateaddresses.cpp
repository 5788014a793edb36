#include "windows/updater/updateaddresses.h"

#include <QtGlobal>

namespace {
QUrl urlFromEnvironment(const char *variable, const char *builtIn)
{
    const QString configured = qEnvironmentVariable(variable);
    return QUrl(configured.isEmpty() ? QString::fromLatin1(builtIn) : configured);
}
} // namespace

QUrl databaseDownloadUrl()
{
    return urlFromEnvironment(kDatabaseUrlVariable, "https://update.torvane.example/DriverData.mdb");
}

QUrl serverAddressUrl()
{
    return urlFromEnvironment(kServerAddressUrlVariable, "https://update.torvane.example/ServerIP.txt");
}
