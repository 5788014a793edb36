#pragma once
// One HTTP GET request whose events arrive on the thread that made it, one at a time, in the
// order response start, data (once per received chunk), finished — or failed instead of
// finished when the transfer breaks. Dropping the object aborts the request silently.
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <optional>

class QNetworkReply;

namespace platform::http {

// Limits that apply to every request of a redirect chain on its own.
struct Timeouts {
    // From a request's start until it is on the wire (name resolution and connection); 0: none.
    std::chrono::milliseconds connect{0};
    // The longest wait for the answer and between two pieces of it; 0: none.
    std::chrono::milliseconds transfer{0};
};

// The customary limits of a request that sets none of its own: a stalled transfer ends
// instead of hanging.
inline constexpr Timeouts kDefaultTimeouts{std::chrono::seconds(60), std::chrono::seconds(30)};

// Redirects followed before a request gives up.
inline constexpr int kMaxRedirects = 10;

class HttpGet : public QObject {
    Q_OBJECT
public:
    // Starts the request at once. The body is asked for as it is stored (no content coding).
    // Redirects are followed only to an equally safe scheme (http to http or https, https to https).
    HttpGet(const QUrl &url, Timeouts timeouts, QObject *parent = nullptr);
    ~HttpGet() override;

    // Known from the response start on.
    int statusCode() const { return statusCode_; }
    QString reasonPhrase() const { return reasonPhrase_; }
    // All response headers as "Name: value" lines ended by CR LF.
    QString allResponseHeaders() const { return allResponseHeaders_; }
    // The announced body length; std::nullopt when the header is absent or not a number.
    std::optional<qint64> contentLength() const { return contentLength_; }
    // Body bytes delivered so far.
    qint64 bytesReceived() const { return bytesReceived_; }

    // Stops the request; no further signal is emitted.
    void abort();

    // Receivers may delete the object from any of its signals (deleteLater or delete).

signals:
    void responseStarted(int status);
    void dataAvailable(const QByteArray &chunk);
    void responseFinished();
    // The transfer broke (name resolution, connection, time-out, incomplete body, a redirect
    // that is not followed, a body sent in a content coding, ...); the reason names the address
    // that failed when it is not the first one.
    void failed(const QString &reason);

private:
    void startRequest(const QUrl &url);
    void onRequestSent();
    void onActivity();
    void onMetaDataChanged();
    void onReadyRead();
    void onFinished();
    void onTimeout();
    void followRedirect(const QByteArray &location);
    void fail(QString reason);
    void release();

    Timeouts timeouts_;
    QUrl url_; // of the request running now
    int redirects_ = 0;
    QPointer<QNetworkReply> reply_;
    QTimer timer_; // the running request's connect time-out, then its transfer time-out
    bool sent_ = false;
    bool started_ = false;
    int statusCode_ = 0;
    QString reasonPhrase_;
    QString allResponseHeaders_;
    std::optional<qint64> contentLength_;
    qint64 bytesReceived_ = 0;
};

} // namespace platform::http
