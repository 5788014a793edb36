#include "chatroom.h"

#include "chat/ansicodepage.h"

#include <QTcpSocket>

#include <algorithm>
#include <cstdio>

namespace {

// How much is read from one client, and how many of its frames are handled, before the others
// have their turn.
constexpr qint64 kReadChunk = 4096;
constexpr int kFramesPerTurn = 64;
// What the socket layer takes in from a client before TCP holds it back.
constexpr qint64 kSocketReadBuffer = 16 * 1024;
// What the system buffers for one member; more waits in our own queue, where it is counted.
constexpr int kSystemSendBuffer = 64 * 1024;

// Control characters of the code page: C0, DEL, and the five bytes Windows-1252 leaves undefined.
bool isControl(char byte)
{
    const auto b = static_cast<unsigned char>(byte);
    return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

// A log line with its control characters (and backslashes) escaped, so that what clients send
// cannot drive the operator's terminal.
QByteArray escapedForLog(const QString &line)
{
    QByteArray out;
    out.reserve(line.size());
    for (const QChar c : line) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == u'\\')
            out += u == u'\\' ? QByteArray("\\\\") : "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            out += QString(c).toUtf8();
    }
    return out;
}

void log(const QString &line)
{
    std::fprintf(stderr, "livehelp-server: %s\n", escapedForLog(line).constData());
    std::fflush(stderr);
}

QString shown(const QByteArray &nickname)
{
    return u'"' + chat::fromAnsi(nickname) + u'"';
}

QByteArray makeFrame(const char *command, const QByteArray &field)
{
    return QByteArray(command) + chat::kFieldSeparator + field + chat::kFrameEnd;
}

// Message text as it is relayed: every control character becomes a blank, so no client can make
// others see a line break, a forged line or a frame separator.
QByteArray blankedControls(QByteArray text)
{
    std::replace_if(text.begin(), text.end(), isControl, ' ');
    return text;
}

QString folded(const QByteArray &nickname)
{
    return chat::fromAnsi(nickname).trimmed().toCaseFolded();
}

} // namespace

ChatRoom::ChatRoom(QObject *parent) : ChatRoom(Limits{}, parent) {}

ChatRoom::ChatRoom(const Limits &limits, QObject *parent) : QObject(parent), limits_(limits)
{
    clock_.start();
    connect(&server_, &QTcpServer::newConnection, this, &ChatRoom::accept);
    rateTimer_.setInterval(qMax(1, int(1000 / limits_.framesPerSecond)));
    connect(&rateTimer_, &QTimer::timeout, this, &ChatRoom::refillTokens);
    stallTimer_.setInterval(qBound(10, limits_.stallTimeMs / 4, 1000));
    connect(&stallTimer_, &QTimer::timeout, this, &ChatRoom::dropStalledMembers);
    stallTimer_.start();
}

ChatRoom::~ChatRoom()
{
    members_.clear();
    for (auto &[serial, client] : clients_) {
        client->socket->disconnect(this);
        delete client->socket;
    }
    clients_.clear();
}

bool ChatRoom::listen(const QHostAddress &address, quint16 port)
{
    if (!server_.listen(address, port))
        return false;
    log(QStringLiteral("listening on %1:%2").arg(server_.serverAddress().toString()).arg(server_.serverPort()));
    return true;
}

ChatRoom::Client *ChatRoom::find(quint64 serial) const
{
    const auto found = clients_.find(serial);
    return found == clients_.end() ? nullptr : found->second.get();
}

void ChatRoom::accept()
{
    while (QTcpSocket *socket = server_.nextPendingConnection()) {
        auto client = std::make_unique<Client>(limits_.maxFrame);
        const quint64 serial = nextSerial_++;
        client->serial = serial;
        client->socket = socket;
        client->tokens = limits_.frameBurst;
        client->tokensAtMs = clock_.elapsed();
        client->peer = QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
        socket->setReadBufferSize(kSocketReadBuffer);
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSystemSendBuffer);
        log(QStringLiteral("%1 connected").arg(describe(*client)));
        clients_.emplace(serial, std::move(client));
        connect(socket, &QTcpSocket::readyRead, this, [this, serial] { pump(serial); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, serial] { tookOutput(serial); });
        connect(socket, &QTcpSocket::disconnected, this, [this, serial] { leave(serial); });
    }
}

// Handles what a client sent, as far as its rate and the room let it; the rest waits in the
// client's socket, which then holds the sender back.
void ChatRoom::pump(quint64 serial)
{
    Client *client = find(serial);
    if (!client)
        return;
    client->pumpQueued = false;
    for (int handled = 0; handled < kFramesPerTurn;) {
        if (client->inbox.isEmpty()) {
            if (client->overflowed) {
                drop(*client, "sent too much without ending a frame");
                return;
            }
            if (client->closing)
                return;
            const QByteArray bytes = client->socket->read(kReadChunk);
            if (bytes.isEmpty())
                return;
            const auto result = client->received.receive(bytes, [&](QByteArrayView element) {
                client->inbox.append(element.toByteArray());
            });
            client->overflowed = result == chat::FrameReassembler::Result::Overflow;
            continue;
        }
        if (!mayHandleFrame(*client))
            return;
        handleFrame(*client, client->inbox.takeFirst());
        client = find(serial);
        if (!client)
            return;
        if (client->closing) {
            client->inbox.clear();
            return;
        }
        ++handled;
    }
    queuePump(*client);
}

void ChatRoom::queuePump(Client &client)
{
    if (client.pumpQueued)
        return;
    client.pumpQueued = true;
    QMetaObject::invokeMethod(this, [this, serial = client.serial] { pump(serial); }, Qt::QueuedConnection);
}

bool ChatRoom::mayHandleFrame(Client &client)
{
    if (client.waitingOn > 0)
        return false;
    const qint64 now = clock_.elapsed();
    client.tokens = std::min<double>(limits_.frameBurst, client.tokens + (now - client.tokensAtMs) * limits_.framesPerSecond / 1000);
    client.tokensAtMs = now;
    if (client.tokens >= 1) {
        client.tokens -= 1;
        return true;
    }
    rateLimited_.insert(client.serial);
    if (!rateTimer_.isActive())
        rateTimer_.start();
    return false;
}

// Clients that waited for their rate try again; those still short of it come back to the set.
void ChatRoom::refillTokens()
{
    if (rateLimited_.isEmpty()) {
        rateTimer_.stop();
        return;
    }
    const QSet<quint64> waiting = std::exchange(rateLimited_, {});
    for (const quint64 serial : waiting)
        if (Client *client = find(serial))
            queuePump(*client);
}

void ChatRoom::handleFrame(Client &client, const QByteArray &frame)
{
    const QList<QByteArray> fields = frame.split(chat::kFieldSeparator);
    const QByteArray &command = fields[0];
    if (command == "CON" && fields.size() >= 2 && !client.joined) {
        join(client, fields[1]);
    } else if (command == "MSG" && fields.size() >= 3 && client.joined) {
        broadcast(makeFrame("MSG", client.nickname + chat::kFieldSeparator + blankedControls(fields[2])), &client);
    } else {
        log(QStringLiteral("%1: dropped a malformed or unexpected frame of %2 bytes").arg(describe(client)).arg(frame.size()));
    }
}

QString ChatRoom::nicknameRefusal(const QByteArray &nickname, const QString &foldedNickname) const
{
    if (foldedNickname.isEmpty())
        return QStringLiteral("A nickname is needed to join the room.");
    if (std::any_of(nickname.begin(), nickname.end(), isControl))
        return QStringLiteral("A nickname cannot hold control characters such as tabs or line breaks.");
    if (chat::fromAnsi(nickname).size() > limits_.maxNicknameLength)
        return QStringLiteral("A nickname can have at most %1 characters.").arg(limits_.maxNicknameLength);
    if (foldedNickname == folded(kServerNickname))
        return QStringLiteral("The nickname %1 is reserved for the server.").arg(shown(kServerNickname));
    if (memberNicknames_.contains(foldedNickname))
        return QStringLiteral("The nickname %1 is already in the room. Choose another one and connect again.").arg(shown(nickname));
    if (qsizetype(members_.size()) >= limits_.maxMembers)
        return QStringLiteral("The room is full. Try again later.");
    return QString();
}

void ChatRoom::join(Client &client, const QByteArray &nickname)
{
    const QString foldedNickname = folded(nickname);
    const QString refusal = nicknameRefusal(nickname, foldedNickname);
    if (!refusal.isEmpty()) {
        log(QStringLiteral("%1 refused as %2: %3").arg(describe(client), shown(nickname), refusal));
        refuse(client, refusal);
        return;
    }
    log(QStringLiteral("%1 joined as %2").arg(describe(client), shown(nickname)));
    client.nickname = nickname;
    client.foldedNickname = foldedNickname;
    client.joined = true;
    members_.push_back(&client);
    memberNicknames_.insert(foldedNickname);
    if (namesCurrent_)
        names_ += nickname + chat::kNameSeparator;
    send(client, makeFrame("LST", namesField()), &client);
    broadcast(makeFrame("ENT", nickname), &client, &client);
}

void ChatRoom::refuse(Client &client, const QString &reason)
{
    client.closing = true;
    client.socket->write(makeFrame("MSG", kServerNickname + QByteArray(1, chat::kFieldSeparator) + chat::toAnsi(reason)));
    client.socket->disconnectFromHost();
}

const QByteArray &ChatRoom::namesField()
{
    if (!namesCurrent_) {
        names_.clear();
        for (const Client *member : members_)
            names_ += member->nickname + chat::kNameSeparator;
        namesCurrent_ = true;
    }
    return names_;
}

void ChatRoom::leave(quint64 serial)
{
    const auto found = clients_.find(serial);
    if (found == clients_.end())
        return;
    const std::unique_ptr<Client> client = std::move(found->second);
    clients_.erase(found);
    rateLimited_.remove(serial);
    release(*client);
    log(QStringLiteral("%1 disconnected").arg(describe(*client)));
    client->socket->disconnect(this);
    client->socket->deleteLater();
    if (client->joined) {
        members_.erase(std::find(members_.begin(), members_.end(), client.get()));
        memberNicknames_.remove(client->foldedNickname);
        namesCurrent_ = false;
        broadcast(makeFrame("LEA", client->nickname), nullptr);
    }
}

void ChatRoom::send(Client &member, const QByteArray &frame, Client *cause)
{
    member.socket->write(frame);
    if (!cause || member.socket->bytesToWrite() <= limits_.highWater || member.heldBack.contains(cause->serial))
        return;
    if (member.heldBack.isEmpty())
        member.lastProgressMs = clock_.elapsed();
    member.heldBack.insert(cause->serial);
    ++cause->waitingOn;
}

void ChatRoom::broadcast(const QByteArray &frame, Client *cause, const Client *except)
{
    for (Client *member : members_)
        if (member != except)
            send(*member, frame, cause);
}

void ChatRoom::tookOutput(quint64 serial)
{
    Client *member = find(serial);
    if (!member)
        return;
    member->lastProgressMs = clock_.elapsed();
    if (!member->heldBack.isEmpty() && member->socket->bytesToWrite() <= limits_.highWater / 2)
        release(*member);
}

// The clients that waited for this member go on.
void ChatRoom::release(Client &member)
{
    const QSet<quint64> waiting = std::exchange(member.heldBack, {});
    for (const quint64 serial : waiting) {
        Client *client = find(serial);
        if (client && --client->waitingOn == 0)
            queuePump(*client);
    }
}

void ChatRoom::dropStalledMembers()
{
    const qint64 now = clock_.elapsed();
    std::vector<quint64> stalled;
    for (const auto &[serial, client] : clients_) {
        const qint64 unsent = client->socket->bytesToWrite();
        if (unsent > limits_.maxUnsent || (!client->heldBack.isEmpty() && now - client->lastProgressMs > limits_.stallTimeMs))
            stalled.push_back(serial);
    }
    for (const quint64 serial : stalled)
        if (Client *client = find(serial))
            drop(*client, "does not read what it is sent");
}

void ChatRoom::drop(Client &client, const char *reason)
{
    const quint64 serial = client.serial;
    log(QStringLiteral("%1 %2: disconnecting").arg(describe(client), QLatin1String(reason)));
    client.socket->abort(); // emits disconnected, which runs leave()
    leave(serial);
}

QString ChatRoom::describe(const Client &client) const
{
    QString text = client.peer;
    if (client.joined)
        text += u' ' + shown(client.nickname);
    return text;
}
