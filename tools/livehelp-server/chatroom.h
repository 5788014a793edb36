#pragma once
#include "chat/protocol.h"

#include <QHash>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// One chat room speaking the Live Help frames. A client joins with "CON" and gets the list of
// everyone in the room ("LST"); the others learn of it ("ENT"). Each "MSG" goes to everyone in the
// room, the sender included, under the sender's own nickname, so no client can speak in another's
// name. Leaving the room is announced with "LEA". Everything else is dropped and logged.
class ChatRoom : public QObject {
    Q_OBJECT
public:
    // A client whose unfinished frame or unsent output grows beyond these is disconnected.
    static constexpr qsizetype kMaxUnfinished = 64 * 1024;
    static constexpr qint64 kMaxUnsent = 1024 * 1024;

    explicit ChatRoom(QObject *parent = nullptr);
    // Closes every connection.
    ~ChatRoom() override;

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return server_.errorString(); }
    quint16 port() const { return server_.serverPort(); }

private:
    struct Client {
        chat::FrameReassembler received{kMaxUnfinished};
        QByteArray nickname; // empty until "CON"
        bool joined = false;
    };

    void accept();
    void receive(QTcpSocket *socket);
    void handleFrame(QTcpSocket *socket, QByteArrayView frame);
    void leave(QTcpSocket *socket);
    void send(QTcpSocket *socket, const QByteArray &frame);
    void broadcast(const QByteArray &frame, QTcpSocket *except = nullptr);
    void drop(QTcpSocket *socket, const char *reason);
    QString describe(QTcpSocket *socket) const;

    QTcpServer server_;
    QHash<QTcpSocket *, Client> clients_;
    QList<QTcpSocket *> order_; // joined clients in the order they joined
};
