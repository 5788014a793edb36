#include "platform/http/httpget.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace platform::http {

namespace {

// Replies are read as their data arrives; this bounds what waits in memory when the
// user-interface thread is busy (the transfer then pauses instead of piling up).
constexpr qint64 kReadBufferSize = 1 << 20;

QNetworkAccessManager &networkAccess()
{
    static QPointer<QNetworkAccessManager> manager;
    if (!manager)
        manager = new QNetworkAccessManager(QCoreApplication::instance());
    return *manager;
}

// Errors QNetworkAccessManager raises for an HTTP error status: the response itself arrived.
bool isStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

std::optional<qint64> announcedLength(const QNetworkReply &reply)
{
    if (!reply.hasRawHeader("Content-Length"))
        return std::nullopt;
    bool ok = false;
    const qint64 length = reply.rawHeader("Content-Length").trimmed().toLongLong(&ok);
    if (!ok || length < 0)
        return std::nullopt;
    return length;
}

} // namespace

HttpGet::HttpGet(const QUrl &url, Timeouts timeouts, QObject *parent) : QObject(parent)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (timeouts.transfer.count() > 0)
        request.setTransferTimeout(int(timeouts.transfer.count()));
    reply_ = networkAccess().get(request);
    reply_->setReadBufferSize(kReadBufferSize);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &HttpGet::onMetaDataChanged);
    connect(reply_, &QNetworkReply::readyRead, this, &HttpGet::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &HttpGet::onFinished);
    if (timeouts.connect.count() > 0) {
        connectTimer_.setSingleShot(true);
        connectTimer_.setInterval(timeouts.connect);
        connect(&connectTimer_, &QTimer::timeout, this,
                [this] { fail(tr("the server could not be reached in time")); });
        connect(reply_, &QNetworkReply::requestSent, &connectTimer_, &QTimer::stop);
        connectTimer_.start();
    }
}

HttpGet::~HttpGet()
{
    release();
}

void HttpGet::abort()
{
    release();
}

void HttpGet::onMetaDataChanged()
{
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // Redirects show their own headers first; the response starts with the final one.
    const bool redirect = status.toInt() / 100 == 3 && reply_->hasRawHeader("Location");
    if (started_ || !status.isValid() || redirect)
        return;
    started_ = true;
    connectTimer_.stop();
    statusCode_ = status.toInt();
    reasonPhrase_ = reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    for (const auto &[name, value] : reply_->rawHeaderPairs())
        allResponseHeaders_ += QString::fromLatin1(name + ": " + value + "\r\n");
    contentLength_ = announcedLength(*reply_);
    emit responseStarted(statusCode_);
}

void HttpGet::onReadyRead()
{
    QPointer<HttpGet> alive(this);
    if (!started_)
        onMetaDataChanged();
    if (!alive || !reply_ || !started_)
        return;
    const QByteArray chunk = reply_->readAll();
    if (chunk.isEmpty())
        return;
    bytesReceived_ += chunk.size();
    emit dataAvailable(chunk);
}

void HttpGet::onFinished()
{
    QPointer<HttpGet> alive(this);
    onReadyRead();
    if (!alive || !reply_)
        return;
    const auto error = reply_->error();
    if (error == QNetworkReply::NoError || (started_ && isStatusError(error))) {
        release();
        emit responseFinished();
        return;
    }
    // Our own aborts never get here, so a cancelled reply is the transfer time-out.
    QString reason = error == QNetworkReply::OperationCanceledError ? tr("the server stopped answering (time-out)")
                                                                    : reply_->errorString();
    // A decoded body has another length than the announced one, so only a plain one is counted.
    if (started_ && contentLength_ && !reply_->hasRawHeader("Content-Encoding") && bytesReceived_ < *contentLength_)
        reason = tr("the transfer broke off after %1 of %2 bytes (%3)").arg(bytesReceived_).arg(*contentLength_).arg(reason);
    fail(reason);
}

void HttpGet::fail(const QString &reason)
{
    release();
    emit failed(reason);
}

void HttpGet::release()
{
    connectTimer_.stop();
    if (!reply_)
        return;
    QNetworkReply *reply = reply_;
    reply_ = nullptr;
    reply->disconnect(this);
    // An error status makes the transfer report its own error, which an abort would race with;
    // deleting the reply ends that transfer just as well.
    if (statusCode_ < 400)
        reply->abort();
    reply->deleteLater();
}

} // namespace platform::http
