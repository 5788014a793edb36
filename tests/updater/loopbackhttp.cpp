#include "tests/updater/loopbackhttp.h"

#include "platform/jet/jetdatabase.h"
#include "platform/jet/jetwriter.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

namespace updatertest {

RawReply simpleReply(const QByteArray &statusLine, const QList<QByteArray> &headers, const QByteArray &body)
{
    QByteArray head = "HTTP/1.1 " + statusLine + "\r\n";
    for (const QByteArray &header : headers)
        head += header + "\r\n";
    head += "Connection: close\r\n\r\n";
    return {{{head + body, 0}}, false};
}

RawReply piecewiseReply(const QByteArray &body, int chunkSize, int pauseMs)
{
    RawReply reply;
    reply.pieces.append({"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
                             + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n",
                         pauseMs});
    for (qsizetype at = 0; at < body.size(); at += chunkSize)
        reply.pieces.append({body.mid(at, chunkSize), pauseMs});
    return reply;
}

RawReply chunkedReply(const QByteArray &body, int chunkSize)
{
    RawReply reply;
    reply.pieces.append({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n", 5});
    for (qsizetype at = 0; at < body.size(); at += chunkSize) {
        const QByteArray chunk = body.mid(at, chunkSize);
        reply.pieces.append({QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n", 5});
    }
    reply.pieces.append({"0\r\n\r\n", 0});
    return reply;
}

RawReply silentReply(int closeAfterMs)
{
    return {{{"", closeAfterMs}}, false};
}

RawHttpServer::RawHttpServer()
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = server_.nextPendingConnection())
            serve(socket);
    });
}

QUrl RawHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/%2").arg(server_.serverPort()).arg(path));
}

namespace {
// Plays one reply on one connection, piece by piece; lives as long as its socket.
class ReplyPlayer : public QObject {
public:
    ReplyPlayer(QTcpSocket *socket, RawReply reply, QList<QByteArray> *requests)
        : QObject(socket), socket_(socket), reply_(std::move(reply))
    {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, &ReplyPlayer::playNext);
        connect(socket, &QTcpSocket::readyRead, this, [this, requests] {
            request_ += socket_->readAll();
            if (next_ < 0 && request_.contains("\r\n\r\n")) {
                requests->append(request_.left(request_.indexOf("\r\n\r\n")));
                next_ = 0;
                playNext();
            }
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (reply_.atOnce) {
            next_ = 0;
            playNext();
        }
    }

private:
    void playNext()
    {
        if (next_ == reply_.pieces.size()) {
            if (reply_.dropAtEnd)
                socket_->abort();
            else
                socket_->disconnectFromHost();
            socket_->deleteLater();
            return;
        }
        const Piece &piece = reply_.pieces.at(next_++);
        socket_->write(piece.bytes);
        socket_->flush();
        timer_.start(piece.pauseMs);
    }

    QTcpSocket *socket_;
    RawReply reply_;
    QByteArray request_;
    QTimer timer_;
    int next_ = -1;
};
} // namespace

void RawHttpServer::serve(QTcpSocket *socket)
{
    const RawReply reply = replies_.isEmpty() ? RawReply{} : replies_.at(std::min<qsizetype>(requestCount_, replies_.size() - 1));
    ++requestCount_;
    new ReplyPlayer(socket, reply, &requests_);
}

PythonHttpServer::PythonHttpServer()
{
    process_.setWorkingDirectory(dir_.path());
    process_.setProcessChannelMode(QProcess::MergedChannels);
}

PythonHttpServer::~PythonHttpServer()
{
    process_.kill();
    process_.waitForFinished(5000);
}

bool PythonHttpServer::start()
{
    process_.start(QStringLiteral("python3"), {QStringLiteral("-u"), QStringLiteral("-m"), QStringLiteral("http.server"),
                                               QStringLiteral("0"), QStringLiteral("--bind"), QStringLiteral("127.0.0.1")});
    static const QRegularExpression serving(QStringLiteral("port (\\d+)"));
    QByteArray output;
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && process_.waitForReadyRead(int(deadline.remainingTime()))) {
        output += process_.readAll();
        const auto match = serving.match(QString::fromLatin1(output));
        if (match.hasMatch()) {
            port_ = match.captured(1).toInt();
            return true;
        }
    }
    return false;
}

QUrl PythonHttpServer::url(const QString &fileName) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(fileName));
}

void writeDriverDatabase(const QString &path, const QList<QStringList> &rows)
{
    platform::jet::JetWriter writer(path, QString::fromLatin1(platform::jet::kDriverDatabasePassword));
    writer.beginTable(QString::fromLatin1(platform::jet::kDriverTable), platform::jet::kDriverColumns);
    for (const QStringList &row : rows)
        writer.addRow({row.at(0), row.at(1), row.at(2), row.at(3)});
    writer.finish();
}

QByteArray driverDatabaseBytes(const QList<QStringList> &rows)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db.mdb"));
    writeDriverDatabase(path, rows);
    return fileBytes(path);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray patternBytes(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

EnvironmentOverride::EnvironmentOverride(const char *name, const QByteArray &value) : name_(name)
{
    if (qEnvironmentVariableIsSet(name))
        previous_ = qgetenv(name);
    qputenv(name, value);
}

EnvironmentOverride::~EnvironmentOverride()
{
    if (previous_)
        qputenv(name_, *previous_);
    else
        qunsetenv(name_);
}

} // namespace updatertest
