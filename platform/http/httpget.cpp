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

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

int statusOf(const QNetworkReply &reply)
{
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
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

void restartTimer(QTimer &timer, std::chrono::milliseconds timeout)
{
    if (timeout.count() > 0)
        timer.start(timeout);
    else
        timer.stop();
}

} // namespace

HttpGet::HttpGet(const QUrl &url, Timeouts timeouts, QObject *parent) : QObject(parent), timeouts_(timeouts)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &HttpGet::onTimeout);
    startRequest(url);
}

HttpGet::~HttpGet()
{
    release();
}

void HttpGet::abort()
{
    release();
}

void HttpGet::startRequest(const QUrl &url)
{
    url_ = url;
    sent_ = false;
    QNetworkRequest request(url);
    // Redirects are followed here, one request after the other, so that each gets the same
    // time-outs and a failure is that of the request that failed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // The stored bytes only: a decoded body could not be held to its announced length, and its
    // decoding could fail or blow up on the way.
    request.setRawHeader("Accept-Encoding", "identity");
    reply_ = networkAccess().get(request);
    reply_->setReadBufferSize(kReadBufferSize);
    connect(reply_, &QNetworkReply::requestSent, this, &HttpGet::onRequestSent);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &HttpGet::onMetaDataChanged);
    connect(reply_, &QNetworkReply::readyRead, this, &HttpGet::onReadyRead);
    connect(reply_, &QNetworkReply::downloadProgress, this, &HttpGet::onActivity);
    connect(reply_, &QNetworkReply::finished, this, &HttpGet::onFinished);
    restartTimer(timer_, timeouts_.connect);
}

void HttpGet::onRequestSent()
{
    // A request sent again on a fresh connection keeps the time-out of its first sending.
    if (!sent_)
        onActivity();
}

void HttpGet::onActivity()
{
    sent_ = true;
    restartTimer(timer_, timeouts_.transfer);
}

void HttpGet::onTimeout()
{
    fail(sent_ ? tr("the server stopped answering (time-out)") : tr("the server could not be reached in time"));
}

void HttpGet::onMetaDataChanged()
{
    if (started_ || !reply_)
        return;
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    onActivity();
    if (isRedirect(status.toInt()) && reply_->hasRawHeader("Location")) {
        followRedirect(reply_->rawHeader("Location"));
        return;
    }
    const QByteArray coding = reply_->rawHeader("Content-Encoding").trimmed();
    if (status.toInt() / 100 == 2 && !coding.isEmpty() && coding.compare("identity", Qt::CaseInsensitive) != 0) {
        fail(tr("the server sent the file in a compressed form (%1) that was not asked for")
                 .arg(QString::fromLatin1(coding)));
        return;
    }
    started_ = true;
    statusCode_ = status.toInt();
    reasonPhrase_ = reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    for (const auto &[name, value] : reply_->rawHeaderPairs())
        allResponseHeaders_ += QString::fromLatin1(name + ": " + value + "\r\n");
    contentLength_ = announcedLength(*reply_);
    emit responseStarted(statusCode_);
}

void HttpGet::followRedirect(const QByteArray &location)
{
    const QUrl target = url_.resolved(QUrl::fromEncoded(location.trimmed()));
    const QString scheme = target.scheme();
    const bool equallySafe = scheme == QLatin1String("https") || (scheme == QLatin1String("http") && url_.scheme() == scheme);
    if (!target.isValid() || target.host().isEmpty() || !equallySafe) {
        fail(tr("the server redirected the request to %1, which is not followed: only a redirect to an equally "
                "safe web address is")
                 .arg(target.toDisplayString()));
        return;
    }
    if (redirects_ == kMaxRedirects) {
        fail(tr("the server redirected the request more than %1 times").arg(kMaxRedirects));
        return;
    }
    ++redirects_;
    release();
    startRequest(target);
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
    onActivity();
    bytesReceived_ += chunk.size();
    emit dataAvailable(chunk);
}

void HttpGet::onFinished()
{
    QPointer<HttpGet> alive(this);
    const QNetworkReply *finishing = reply_;
    onReadyRead();
    if (!alive || !reply_ || reply_ != finishing)
        return; // aborted, failed or redirected meanwhile
    const auto error = reply_->error();
    if (started_ && (error == QNetworkReply::NoError || isStatusError(error))) {
        release();
        emit responseFinished();
        return;
    }
    QString reason = error == QNetworkReply::NoError ? tr("the server closed the connection without an answer")
                                                     : reply_->errorString();
    if (started_ && contentLength_ && bytesReceived_ < *contentLength_)
        reason = tr("the transfer broke off after %1 of %2 bytes (%3)").arg(bytesReceived_).arg(*contentLength_).arg(reason);
    fail(reason);
}

void HttpGet::fail(QString reason)
{
    if (redirects_ > 0)
        reason = tr("%1 (at %2, where the request was redirected)").arg(reason, url_.toDisplayString());
    release();
    emit failed(reason);
}

void HttpGet::release()
{
    timer_.stop();
    if (!reply_)
        return;
    QNetworkReply *reply = reply_;
    reply_ = nullptr;
    reply->disconnect(this);
    // An error status makes the transfer report its own error, which an abort would race with;
    // deleting the reply ends that transfer just as well.
    if (statusOf(*reply) < 400)
        reply->abort();
    reply->deleteLater();
}

} // namespace platform::http
