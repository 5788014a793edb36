#include "windows/updater/serveraddressrefresh.h"

#include "app/messagebox.h"
#include "platform/http/httpget.h"
#include "windows/updater/failuretext.h"
#include "windows/updater/updateaddresses.h"

#include <QLineEdit>

using namespace std::chrono_literals;

namespace {
// Name resolution and connection 25 s; sending and receiving 250 s.
constexpr platform::http::Timeouts kRefreshTimeouts{25s, 250s};
} // namespace

ServerAddressRefresh::ServerAddressRefresh(QObject *parent) : QObject(parent) {}

ServerAddressRefresh::~ServerAddressRefresh()
{
    releaseRequest();
}

void ServerAddressRefresh::RefreshServerAddress(QLineEdit *txtServer)
{
    releaseRequest();
    txtServer_ = txtServer;
    httCheckVersion = new platform::http::HttpGet(serverAddressUrl(), kRefreshTimeouts, this);
    connect(httCheckVersion, &platform::http::HttpGet::responseStarted, this,
            &ServerAddressRefresh::httCheckVersion_OnResponseStart);
    connect(httCheckVersion, &platform::http::HttpGet::dataAvailable, this,
            &ServerAddressRefresh::httCheckVersion_OnResponseDataAvailable);
    connect(httCheckVersion, &platform::http::HttpGet::failed, this, &ServerAddressRefresh::httCheckVersion_OnError);
    connect(httCheckVersion, &platform::http::HttpGet::responseFinished, this, &ServerAddressRefresh::releaseRequest);
}

void ServerAddressRefresh::httCheckVersion_OnResponseStart(int status)
{
    if (status == 200)
        return;
    releaseRequest();
    app::messageBox(QStringLiteral("Remote file not found"), app::MessageIcon::Exclamation);
}

void ServerAddressRefresh::httCheckVersion_OnResponseDataAvailable(const QByteArray &chunk)
{
    // The first chunk is the whole response text so far; it goes into the box as it is.
    releaseRequest();
    if (txtServer_)
        txtServer_->setText(QString::fromUtf8(chunk));
}

void ServerAddressRefresh::httCheckVersion_OnError(const QString &reason)
{
    releaseRequest();
    app::messageBox(failureText(tr("The newer server address could not be downloaded"), reason,
                                tr("The server address was not changed.")),
                    app::MessageIcon::Exclamation);
}

void ServerAddressRefresh::releaseRequest()
{
    if (!httCheckVersion)
        return;
    httCheckVersion->abort();
    httCheckVersion->deleteLater();
    httCheckVersion = nullptr;
}
