#include "windows/updater/serveraddressrefresh.h"

#include <QLineEdit>

ServerAddressRefresh::ServerAddressRefresh(QObject *parent) : QObject(parent) {}

ServerAddressRefresh::~ServerAddressRefresh() = default;

void ServerAddressRefresh::RefreshServerAddress(QLineEdit *txtServer)
{
    txtServer_ = txtServer;
}

void ServerAddressRefresh::httCheckVersion_OnResponseStart(int) {}
void ServerAddressRefresh::httCheckVersion_OnResponseDataAvailable() {}
void ServerAddressRefresh::httCheckVersion_OnError(const QString &) {}
void ServerAddressRefresh::releaseRequest() {}
