#include "windows/updater/serveraddressdownload.h"

#include "app/failures.h"
#include "platform/http/httpget.h"
#include "windows/updater/failuretext.h"
#include "windows/livehelp/serveripfile.h"

#include <QRegularExpression>

namespace {
// An address file holds one host name; anything much longer is not one.
constexpr qint64 kLongestAnswer = 4096;
} // namespace

ServerAddressDownload::ServerAddressDownload(const QString &serverAddressFile, QObject *parent)
    : QObject(parent), serverAddressFile_(serverAddressFile)
{
}

ServerAddressDownload::~ServerAddressDownload()
{
    stop();
}

void ServerAddressDownload::start(const QUrl &url)
{
    stop();
    body_.clear();
    request_ = new platform::http::HttpGet(url, platform::http::kDefaultTimeouts, this);
    connect(request_, &platform::http::HttpGet::responseStarted, this, &ServerAddressDownload::onResponseStarted);
    connect(request_, &platform::http::HttpGet::dataAvailable, this, &ServerAddressDownload::onDataAvailable);
    connect(request_, &platform::http::HttpGet::responseFinished, this, &ServerAddressDownload::onResponseFinished);
    connect(request_, &platform::http::HttpGet::failed, this, &ServerAddressDownload::finishWithFailure);
}

std::optional<QString> ServerAddressDownload::addressFromText(const QString &text)
{
    // Host names and IPv4/IPv6 addresses, optionally with a port.
    static const QRegularExpression address(QStringLiteral("^[A-Za-z0-9.:\\-\\[\\]_]+$"));
    const QString trimmed = text.trimmed();
    if (!address.match(trimmed).hasMatch())
        return std::nullopt;
    return trimmed;
}

void ServerAddressDownload::onResponseStarted(int status)
{
    if (status != 200)
        finishWithFailure(tr("the update server answered %1 %2").arg(status).arg(request_->reasonPhrase()));
    else
        emit progressChanged(0, request_->contentLength());
}

void ServerAddressDownload::onDataAvailable(const QByteArray &chunk)
{
    body_ += chunk;
    if (body_.size() > kLongestAnswer) {
        finishWithFailure(tr("the answer is too long to be a server address"));
        return;
    }
    emit progressChanged(request_->bytesReceived(), request_->contentLength());
}

void ServerAddressDownload::onResponseFinished()
{
    stop();
    emit progressChanged(body_.size(), body_.size()); // complete, whatever was announced
    const std::optional<QString> address = addressFromText(QString::fromUtf8(body_));
    if (!address) {
        finishWithFailure(tr("the downloaded file does not hold a server address"));
        return;
    }
    try {
        writeServerAddress(serverAddressFile_, *address);
    } catch (const app::Failure &failure) {
        emit failed(failure.text());
        return;
    }
    emit installed(*address);
}

void ServerAddressDownload::finishWithFailure(const QString &what)
{
    stop();
    emit failed(failureText(tr("The server address could not be downloaded"), what, tr("The stored address was kept.")));
}

void ServerAddressDownload::stop()
{
    if (request_) {
        request_->abort();
        request_->deleteLater();
        request_ = nullptr;
    }
}
