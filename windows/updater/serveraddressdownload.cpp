#include "windows/updater/serveraddressdownload.h"

#include "app/failures.h"
#include "platform/http/httpget.h"
#include "windows/updater/failuretext.h"
#include "windows/livehelp/serveripfile.h"

#include <QHostAddress>

#include <algorithm>

namespace {
// An address file holds one host name; anything much longer is not one.
constexpr qint64 kLongestAnswer = 4096;

bool isLabelCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
}

// A host name: at most 253 characters in dot-separated labels of 1 to 63 letters, digits and
// hyphens, no label starting or ending with a hyphen, and a last label that is not all digits
// (such a name is an IPv4 address or nothing).
bool isHostName(const QString &text)
{
    if (text.isEmpty() || text.size() > 253)
        return false;
    const QStringList labels = text.split(u'.');
    for (const QString &label : labels) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-')
            || !std::all_of(label.begin(), label.end(), isLabelCharacter))
            return false;
    }
    const QString &last = labels.last();
    return !std::all_of(last.begin(), last.end(), [](QChar c) { return c.isDigit(); });
}

bool isIpAddress(const QString &text)
{
    // The address parser stops at a NUL and takes what came before it: only the characters of
    // an IPv4 or IPv6 address are let through to it.
    auto isAddressCharacter = [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F') || u == '.' || u == ':';
    };
    if (!std::all_of(text.begin(), text.end(), isAddressCharacter))
        return false;
    QHostAddress address;
    return address.setAddress(text)
        && (address.protocol() == QAbstractSocket::IPv4Protocol || address.protocol() == QAbstractSocket::IPv6Protocol);
}
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
    const QString trimmed = text.trimmed();
    if (!isHostName(trimmed) && !isIpAddress(trimmed))
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
