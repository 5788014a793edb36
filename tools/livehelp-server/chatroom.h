#pragma once
#include "chat/protocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTcpServer>
#include <QTimer>

#include <memory>
#include <unordered_map>
#include <vector>

class QTcpSocket;

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
// most at its message rate; and while a member has more than highWater bytes waiting to be sent
// to it, every client whose frames put them there waits (its socket is not read, so TCP holds the
// sender back). Only a member that takes nothing for stallTime while others wait for it, or that
// holds more than maxUnsent bytes unsent, is disconnected.
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
    QString errorString() const { return server_.errorString(); }
    quint16 port() const { return server_.serverPort(); }

private:
    struct Client {
        quint64 serial = 0;
        QTcpSocket *socket = nullptr;
        QString peer;             // address and port, for the log
        chat::FrameReassembler received;
        QList<QByteArray> inbox; // complete frames not yet handled
        bool overflowed = false;  // sent an unfinished frame beyond the bound
        QByteArray nickname;      // as it joined; empty until "CON"
        QString foldedNickname;   // for comparing nicknames
        bool joined = false;
        bool closing = false;     // refused: its last frame is on the way, nothing more is read
        bool pumpQueued = false;
        double tokens = 0;        // frames it may send now
        qint64 tokensAtMs = 0;
        int waitingOn = 0;        // members whose unsent output holds this client back
        QSet<quint64> heldBack;   // clients that wait for this member to take its output
        qint64 lastProgressMs = 0;

        explicit Client(qsizetype maxFrame) : received(maxFrame) {}
    };

    void accept();
    void pump(quint64 serial);
    void queuePump(Client &client);
    bool mayHandleFrame(Client &client);
    void handleFrame(Client &client, const QByteArray &frame);
    void join(Client &client, const QByteArray &nickname);
    QString nicknameRefusal(const QByteArray &nickname, const QString &folded) const;
    void refuse(Client &client, const QString &reason);
    void leave(quint64 serial);
    void send(Client &member, const QByteArray &frame, Client *cause);
    void broadcast(const QByteArray &frame, Client *cause, const Client *except = nullptr);
    void tookOutput(quint64 serial);
    void release(Client &member);
    void refillTokens();
    void dropStalledMembers();
    void drop(Client &client, const char *reason);
    const QByteArray &namesField();
    Client *find(quint64 serial) const;
    QString describe(const Client &client) const;

    Limits limits_;
    QTcpServer server_;
    QElapsedTimer clock_;
    QTimer rateTimer_;  // runs while some client waits for its rate
    QTimer stallTimer_; // looks for members that hold others back without reading
    std::unordered_map<quint64, std::unique_ptr<Client>> clients_;
    std::vector<Client *> members_; // joined clients in the order they joined
    QSet<QString> memberNicknames_; // folded
    QSet<quint64> rateLimited_;
    QByteArray names_;               // the "LST" field, kept while nobody leaves
    bool namesCurrent_ = true;
    quint64 nextSerial_ = 1;
};
