#include "chatroom.h"

#include "chat/ansicodepage.h"

#include <QHostAddress>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

// How much is read from one client, and how many of its frames are handled, before the others
// have their turn.
constexpr qint64 kReadChunk = 4096;
constexpr int kFramesPerTurn = 64;
// What the system buffers for one member; more waits in our own queue, where it is counted.
constexpr int kSystemSendBuffer = 64 * 1024;

QString peerOf(int descriptor)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(descriptor, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return QStringLiteral("?");
    const QHostAddress host(reinterpret_cast<const sockaddr *>(&address));
    const quint16 port = ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6 *>(&address)->sin6_port
                                                             : reinterpret_cast<const sockaddr_in *>(&address)->sin_port);
    return QStringLiteral("%1:%2").arg(host.toString()).arg(port);
}

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

ChatRoom::ChatRoom(const Limits &limits, QObject *parent)
    : QObject(parent), limits_(limits), listener_([this](qintptr descriptor) { accept(descriptor); })
{
    clock_.start();
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
        client->readable.reset();
        client->writable.reset();
        ::close(client->descriptor);
    }
    clients_.clear();
}

bool ChatRoom::listen(const QHostAddress &address, quint16 port)
{
    if (!listener_.listen(address, port))
        return false;
    log(QStringLiteral("listening on %1:%2").arg(listener_.serverAddress().toString()).arg(listener_.serverPort()));
    return true;
}

ChatRoom::Client *ChatRoom::find(quint64 serial) const
{
    const auto found = clients_.find(serial);
    return found == clients_.end() ? nullptr : found->second.get();
}

void ChatRoom::accept(qintptr descriptor)
{
    const int fd = int(descriptor);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kSystemSendBuffer, sizeof kSystemSendBuffer);
    // Frames go out as they are written: holding small writes back until the last is
    // acknowledged would make every member wait for its client's delayed acknowledgement.
    const int noDelay = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    auto client = std::make_unique<Client>(limits_.maxFrame);
    const quint64 serial = nextSerial_++;
    client->serial = serial;
    client->descriptor = fd;
    client->peer = peerOf(fd);
    client->tokens = limits_.frameBurst;
    client->tokensAtMs = clock_.elapsed();
    client->readable = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
    connect(client->readable.get(), &QSocketNotifier::activated, this, [this, serial] { pump(serial); });
    client->writable = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Write);
    client->writable->setEnabled(false);
    connect(client->writable.get(), &QSocketNotifier::activated, this, [this, serial] { writeUnsent(serial); });
    log(QStringLiteral("%1 connected").arg(describe(*client)));
    clients_.emplace(serial, std::move(client));
}

// Handles what a client sent, as far as its rate and the room let it. While it may not go on, its
// socket is not read, so what it sends waits with the system and TCP holds it back.
void ChatRoom::pump(quint64 serial)
{
    Client *client = find(serial);
    if (!client)
        return;
    for (int handled = 0; handled < kFramesPerTurn;) {
        if (client->inbox.isEmpty()) {
            if (client->overflowed) {
                drop(*client, "sent too much without ending a frame");
                return;
            }
            char bytes[kReadChunk];
            const ssize_t got = ::recv(client->descriptor, bytes, sizeof bytes, 0);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                leave(serial); // closed, or the connection failed
                return;
            }
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                client->readable->setEnabled(true); // all read: wait for more
                return;
            }
            if (client->closing)
                continue; // a refused client has nothing more to say
            const auto result = client->received.receive(QByteArrayView(bytes, got), [&](QByteArrayView element) {
                client->inbox.append(element.toByteArray());
            });
            client->overflowed = result == chat::FrameReassembler::Result::Overflow;
            continue;
        }
        if (!mayHandleFrame(*client)) {
            client->readable->setEnabled(false);
            return;
        }
        handleFrame(*client, client->inbox.takeFirst());
        client = find(serial);
        if (!client)
            return;
        ++handled;
    }
    // More may wait: the others have their turn first.
    client->readable->setEnabled(false);
    QMetaObject::invokeMethod(this, [this, serial] { pump(serial); }, Qt::QueuedConnection);
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
        pump(serial);
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

// Says why, and ends the connection once the system has taken that; what the client still sends
// is read and ignored until it closes, so that nothing unread makes the system reset the
// connection before the reason arrives.
void ChatRoom::refuse(Client &client, const QString &reason)
{
    client.closing = true;
    client.inbox.clear();
    client.lastProgressMs = clock_.elapsed();
    send(client, makeFrame("MSG", kServerNickname + QByteArray(1, chat::kFieldSeparator) + chat::toAnsi(reason)), nullptr);
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
    client->readable.reset();
    client->writable.reset();
    ::close(client->descriptor);
    if (client->joined) {
        members_.erase(std::find(members_.begin(), members_.end(), client.get()));
        memberNicknames_.remove(client->foldedNickname);
        namesCurrent_ = false;
        broadcast(makeFrame("LEA", client->nickname), nullptr);
    }
}

// Writes what the system takes now; false when the connection failed, which is then dropped as
// soon as the room is not in the middle of a broadcast.
bool ChatRoom::writeOut(Client &member, const char *data, qsizetype size, qsizetype &written)
{
    written = 0;
    while (written < size) {
        const ssize_t n = ::send(member.descriptor, data + written, size_t(size - written), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            written += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        } else {
            dropLater(member, "cannot be written to");
            return false;
        }
    }
    return true;
}

// Frames for a member are gathered during one turn of the event loop and written in one go at
// its end: a message to the whole room is then one write per member however many arrived
// together, rather than one per frame.
void ChatRoom::send(Client &member, const QByteArray &frame, Client *cause)
{
    if (member.failed)
        return;
    member.unsent += frame;
    if (!member.writePending && !member.writable->isEnabled()) {
        member.writePending = true;
        pendingWrites_.push_back(member.serial);
        if (pendingWrites_.size() == 1)
            QMetaObject::invokeMethod(this, &ChatRoom::writePending, Qt::QueuedConnection);
    }
    if (!cause || unsentBytes(member) <= limits_.highWater || member.heldBack.contains(cause->serial))
        return;
    if (member.heldBack.isEmpty())
        member.lastProgressMs = clock_.elapsed();
    member.heldBack.insert(cause->serial);
    ++cause->waitingOn;
}

void ChatRoom::writePending()
{
    const std::vector<quint64> serials = std::exchange(pendingWrites_, {});
    for (const quint64 serial : serials) {
        if (Client *member = find(serial)) {
            member->writePending = false;
            writeUnsent(serial);
        }
    }
}

void ChatRoom::writeUnsent(quint64 serial)
{
    Client *member = find(serial);
    if (!member || member->failed)
        return;
    qsizetype written = 0;
    if (!writeOut(*member, member->unsent.constData() + member->unsentFrom, unsentBytes(*member), written))
        return;
    if (written > 0)
        member->lastProgressMs = clock_.elapsed();
    member->unsentFrom += written;
    if (unsentBytes(*member) == 0) {
        member->unsent = QByteArray();
        member->unsentFrom = 0;
        member->writable->setEnabled(false);
        if (member->closing)
            ::shutdown(member->descriptor, SHUT_WR);
    } else {
        // The rest goes when the system can take more.
        member->writable->setEnabled(true);
        if (member->unsentFrom > member->unsent.size() / 2) {
            member->unsent.remove(0, member->unsentFrom);
            member->unsentFrom = 0;
        }
    }
    if (!member->heldBack.isEmpty() && unsentBytes(*member) <= limits_.highWater / 2)
        release(*member);
}

void ChatRoom::broadcast(const QByteArray &frame, Client *cause, const Client *except)
{
    for (Client *member : members_)
        if (member != except)
            send(*member, frame, cause);
}

// The clients that waited for this member go on.
void ChatRoom::release(Client &member)
{
    const QSet<quint64> waiting = std::exchange(member.heldBack, {});
    for (const quint64 serial : waiting) {
        Client *client = find(serial);
        if (client && --client->waitingOn == 0)
            QMetaObject::invokeMethod(this, [this, serial] { pump(serial); }, Qt::QueuedConnection);
    }
}

void ChatRoom::dropStalledMembers()
{
    const qint64 now = clock_.elapsed();
    std::vector<quint64> stalledMembers;
    for (const auto &[serial, client] : clients_) {
        const bool stalled = now - client->lastProgressMs > limits_.stallTimeMs;
        if (unsentBytes(*client) > limits_.maxUnsent || ((!client->heldBack.isEmpty() || client->closing) && stalled))
            stalledMembers.push_back(serial);
    }
    for (const quint64 serial : stalledMembers)
        if (Client *client = find(serial))
            drop(*client, "does not read what it is sent");
}

// For a failure found in the middle of a broadcast, which must not change the room under it.
void ChatRoom::dropLater(Client &client, const char *reason)
{
    client.failed = true;
    QMetaObject::invokeMethod(
        this,
        [this, serial = client.serial, reason] {
            if (Client *failed = find(serial))
                drop(*failed, reason);
        },
        Qt::QueuedConnection);
}

void ChatRoom::drop(Client &client, const char *reason)
{
    log(QStringLiteral("%1 %2: disconnecting").arg(describe(client), QLatin1String(reason)));
    leave(client.serial);
}

QString ChatRoom::describe(const Client &client) const
{
    QString text = client.peer;
    if (client.joined)
        text += u' ' + shown(client.nickname);
    return text;
}
