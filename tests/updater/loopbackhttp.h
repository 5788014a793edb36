#pragma once
// Loopback HTTP servers for the updater tests: one in-process server that writes raw replies
// (any status, any framing, pauses, a dropped connection) and Python's http.server over a folder.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrl>

#include <optional>

namespace updatertest {

// One piece of a raw reply: bytes written, then a pause before the next piece.
struct Piece {
    QByteArray bytes;
    int pauseMs = 0;
};

struct RawReply {
    QList<Piece> pieces;
    bool dropAtEnd = false; // abort the connection instead of closing it after the last piece
    bool atOnce = false; // play as soon as the connection is made, without waiting for a request
};

// "HTTP/1.1 <status>" with the given header lines and body in one piece.
RawReply simpleReply(const QByteArray &statusLine, const QList<QByteArray> &headers, const QByteArray &body);
// A 200 reply with Content-Length whose body follows in pieces of chunkSize bytes.
RawReply piecewiseReply(const QByteArray &body, int chunkSize, int pauseMs);
// A 200 reply in chunked transfer coding, no Content-Length.
RawReply chunkedReply(const QByteArray &body, int chunkSize);
// No answer at all: the connection stays open for the given time, then closes.
RawReply silentReply(int closeAfterMs);

class RawHttpServer : public QObject {
    Q_OBJECT
public:
    RawHttpServer();
    // Each connection plays the next queued reply; the last one repeats.
    void queue(const RawReply &reply) { replies_.append(reply); }
    QUrl url(const QString &path) const;
    int requestCount() const { return requestCount_; }
    // The request heads received so far, in arrival order.
    const QList<QByteArray> &requests() const { return requests_; }

private:
    void serve(QTcpSocket *socket);
    QTcpServer server_;
    QList<RawReply> replies_;
    QList<QByteArray> requests_;
    int requestCount_ = 0;
};

// python3 -m http.server on 127.0.0.1, port chosen by the system, serving its own folder.
class PythonHttpServer {
public:
    PythonHttpServer();
    ~PythonHttpServer();
    bool start();
    QString folder() const { return dir_.path(); }
    QUrl url(const QString &fileName) const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

// A driver database with the built-in password and the given rows (Hardware, OS, Architecture, Link).
void writeDriverDatabase(const QString &path, const QList<QStringList> &rows);
QByteArray driverDatabaseBytes(const QList<QStringList> &rows);
QByteArray fileBytes(const QString &path);
void writeFileBytes(const QString &path, const QByteArray &bytes);
// Bytes that are no database: a counting pattern.
QByteArray patternBytes(qint64 size);

// Sets an environment variable for its lifetime.
class EnvironmentOverride {
public:
    EnvironmentOverride(const char *name, const QByteArray &value);
    ~EnvironmentOverride();

private:
    const char *name_;
    std::optional<QByteArray> previous_;
};

} // namespace updatertest
