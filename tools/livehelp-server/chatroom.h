#pragma once
#include "chat/protocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

// Takes connections and hands over their descriptors. The room reads and writes them itself:
// a socket object would keep a buffer of its own for every member, and buffered writes cost a
// turn of the event loop per write, where a room writes every message to every member.
class ConnectionListener : public QTcpServer {
public:
    explicit ConnectionListener(std::function<void(qintptr)> accept) : accept_(std::move(accept)) {}

protected:
    void incomingConnection(qintptr descriptor) override { accept_(descriptor); }

private:
    std::function<void(qintptr)> accept_;
};

// One chat room speaking the Live Help frames. A client joins with "CON" and gets the list of
// everyone in the room ("LST"); the others learn of it ("ENT"). Each "MSG" goes to everyone in the
// room, the sender included, under the sender's own nickname and with its control characters
// blanked, so no client can speak in another's name or draw lines of its own. Leaving the room is
// announced with "LEA". Everything else is dropped and logged.
//
// A nickname is refused, with a "MSG" from kServerNickname that says why, and the connection
// closed, before anyone learns of it: when it is empty, too long, holds control characters, is
// the server's own, or is already in the room (ignoring letter case and surrounding blanks); and
// when the room is full.
//
// A busy room slows senders down instead of dropping readers. Frames are taken from a client at
// most at its frame rate; and while a member has more than highWater bytes waiting to be sent to
// it, every client whose frames put them there waits (its socket is not read, so TCP holds the
// sender back). Only a member that takes nothing for stallTime while others wait for it, or that
// has more than maxUnsent bytes waiting, is disconnected.
class ChatRoom : public QObject {
    Q_OBJECT
public:
    struct Limits {
        qsizetype maxFrame = 64 * 1024;      // an unfinished frame from a client
        int maxNicknameLength = 64;          // characters
        int maxMembers = 15000;              // the "LST" of a full room of the longest names stays under 1 MiB
        double framesPerSecond = 20;         // what a client may send, on average
        int frameBurst = 40;                 // ... and at once
        qint64 highWater = 256 * 1024;       // unsent bytes of a member above which its senders wait
        qint64 maxUnsent = 4 * 1024 * 1024;  // unsent bytes of a member above which it is dropped
        int stallTimeMs = 30000;             // how long a member may take nothing while others wait for it
    };

    // The name the room's own messages come from; no client may take it.
    static constexpr const char *kServerNickname = "Server";

    explicit ChatRoom(QObject *parent = nullptr);
    explicit ChatRoom(const Limits &limits, QObject *parent = nullptr);
    // Closes every connection.
    ~ChatRoom() override;

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return listener_.errorString(); }
    quint16 port() const { return listener_.serverPort(); }

private:
    struct Client {
        quint64 serial = 0;
        int descriptor = -1;
        QString peer;              // address and port, for the log
        std::unique_ptr<QSocketNotifier> readable;
        std::unique_ptr<QSocketNotifier> writable; // on while something waits to be sent
        chat::FrameReassembler received;
        QList<QByteArray> inbox;   // complete frames not yet handled
        bool overflowed = false;   // sent an unfinished frame beyond the bound
        QByteArray nickname;       // as it joined; empty until "CON"
        QString foldedNickname;    // for comparing nicknames
        bool joined = false;
        bool closing = false;      // refused: its last frame is on the way, what it sends is ignored
        double tokens = 0;         // frames it may send now
        qint64 tokensAtMs = 0;
        // What the system has not taken yet of what was sent to this client, from unsentFrom
        // on: the frames of this turn, and what the system did not take. The memory goes when
        // it has all been taken.
        QByteArray unsent;
        qsizetype unsentFrom = 0;
        bool writePending = false; // its frames are written at the end of this turn
        bool failed = false;       // a write failed: the connection is being dropped
        int waitingOn = 0;         // members whose unsent output holds this client back
        QSet<quint64> heldBack;    // clients that wait for this member to take its output
        qint64 lastProgressMs = 0;

        explicit Client(qsizetype maxFrame) : received(maxFrame) {}
    };

    void accept(qintptr descriptor);
    void pump(quint64 serial);
    bool mayHandleFrame(Client &client);
    void handleFrame(Client &client, const QByteArray &frame);
    void join(Client &client, const QByteArray &nickname);
    QString nicknameRefusal(const QByteArray &nickname, const QString &folded) const;
    void refuse(Client &client, const QString &reason);
    void leave(quint64 serial);
    void send(Client &member, const QByteArray &frame, Client *cause);
    void broadcast(const QByteArray &frame, Client *cause, const Client *except = nullptr);
    bool writeOut(Client &member, const char *data, qsizetype size, qsizetype &written);
    void writePending();
    void writeUnsent(quint64 serial);
    qsizetype unsentBytes(const Client &member) const { return member.unsent.size() - member.unsentFrom; }
    void release(Client &member);
    void refillTokens();
    void dropStalledMembers();
    void dropLater(Client &client, const char *reason);
    void drop(Client &client, const char *reason);
    const QByteArray &namesField();
    Client *find(quint64 serial) const;
    QString describe(const Client &client) const;

    Limits limits_;
    ConnectionListener listener_;
    QElapsedTimer clock_;
    QTimer rateTimer_;  // runs while some client waits for its rate
    QTimer stallTimer_; // looks for members that hold others back without reading
    std::unordered_map<quint64, std::unique_ptr<Client>> clients_;
    std::vector<Client *> members_; // joined clients in the order they joined
    QSet<QString> memberNicknames_; // folded
    QSet<quint64> rateLimited_;
    std::vector<quint64> pendingWrites_; // members with frames of this turn
    QByteArray names_;               // the "LST" field, kept while nobody leaves
    bool namesCurrent_ = true;
    quint64 nextSerial_ = 1;
};
