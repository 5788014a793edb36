#include "chatroom.h"

#include <QTcpSocket>

#include <cstdio>

namespace {

void log(const QString &line)
{
    std::fprintf(stderr, "livehelp-server: %s\n", qPrintable(line));
    std::fflush(stderr);
}

QByteArray makeFrame(const char *command, const QByteArray &field)
{
    return QByteArray(command) + chat::kFieldSeparator + field + chat::kFrameEnd;
}

// A nickname must not break the name list of "LST".
QByteArray cleanNickname(QByteArray nickname)
{
    nickname.replace('\r', ' ');
    nickname.replace('\n', ' ');
    return nickname;
}

} // namespace

ChatRoom::ChatRoom(QObject *parent) : QObject(parent)
{
    connect(&server_, &QTcpServer::newConnection, this, &ChatRoom::accept);
}

ChatRoom::~ChatRoom()
{
    const QList<QTcpSocket *> sockets = clients_.keys();
    clients_.clear();
    order_.clear();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
}

bool ChatRoom::listen(const QHostAddress &address, quint16 port)
{
    if (!server_.listen(address, port))
        return false;
    log(QStringLiteral("listening on %1:%2").arg(server_.serverAddress().toString()).arg(server_.serverPort()));
    return true;
}

void ChatRoom::accept()
{
    while (QTcpSocket *socket = server_.nextPendingConnection()) {
        clients_.insert(socket, Client{});
        log(QStringLiteral("%1 connected").arg(describe(socket)));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { receive(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { leave(socket); });
    }
}

void ChatRoom::receive(QTcpSocket *socket)
{
    auto client = clients_.find(socket);
    if (client == clients_.end())
        return;
    const QByteArray bytes = socket->readAll();
    QList<QByteArray> frames;
    const auto result = client->received.receive(bytes, [&](QByteArrayView element) { frames.append(element.toByteArray()); });
    // Handling a frame may drop this client or others; the frames are handled after the read.
    for (const QByteArray &f : frames) {
        if (!clients_.contains(socket))
            return;
        handleFrame(socket, f);
    }
    if (result == chat::FrameReassembler::Result::Overflow && clients_.contains(socket))
        drop(socket, "sent too much without ending a frame");
}

void ChatRoom::handleFrame(QTcpSocket *socket, QByteArrayView frame)
{
    Client &client = clients_[socket];
    const QList<QByteArray> fields = frame.toByteArray().split(chat::kFieldSeparator);
    const QByteArray command = fields.value(0);
    if (command == "CON" && fields.size() >= 2 && !client.joined && !fields[1].isEmpty()) {
        const QByteArray nickname = cleanNickname(fields[1]);
        client.nickname = nickname;
        client.joined = true;
        order_.append(socket);
        QByteArray names;
        for (QTcpSocket *member : std::as_const(order_))
            names += clients_[member].nickname + chat::kNameSeparator;
        log(QStringLiteral("%1 joined as \"%2\"").arg(describe(socket), QString::fromLatin1(nickname)));
        // Sending may drop a slow reader, this one included; nothing below uses the client entry.
        send(socket, makeFrame("LST", names));
        broadcast(makeFrame("ENT", nickname), socket);
    } else if (command == "MSG" && fields.size() >= 3 && client.joined) {
        broadcast(makeFrame("MSG", client.nickname + chat::kFieldSeparator + fields[2]));
    } else {
        log(QStringLiteral("%1: dropped a malformed or unexpected frame of %2 bytes").arg(describe(socket)).arg(frame.size()));
    }
}

void ChatRoom::leave(QTcpSocket *socket)
{
    const auto client = clients_.find(socket);
    if (client == clients_.end())
        return;
    const bool joined = client->joined;
    const QByteArray nickname = client->nickname;
    clients_.erase(client);
    order_.removeAll(socket);
    socket->deleteLater();
    log(QStringLiteral("%1 disconnected").arg(describe(socket)));
    if (joined)
        broadcast(makeFrame("LEA", nickname));
}

void ChatRoom::send(QTcpSocket *socket, const QByteArray &frame)
{
    socket->write(frame);
    if (socket->bytesToWrite() > kMaxUnsent)
        drop(socket, "does not read what it is sent");
}

void ChatRoom::broadcast(const QByteArray &frame, QTcpSocket *except)
{
    // Sending may drop a slow reader, which changes the room: walk a copy.
    const QList<QTcpSocket *> members = order_;
    for (QTcpSocket *member : members)
        if (member != except && clients_.contains(member))
            send(member, frame);
}

void ChatRoom::drop(QTcpSocket *socket, const char *reason)
{
    log(QStringLiteral("%1 %2: disconnecting").arg(describe(socket), QLatin1String(reason)));
    socket->abort(); // emits disconnected, which runs leave()
    leave(socket);
}

QString ChatRoom::describe(QTcpSocket *socket) const
{
    return QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
}
