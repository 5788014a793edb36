#include "chat/protocol.h"

#include "chat/ansicodepage.h"

namespace chat {

QByteArray connectFrame(const QString &nickname)
{
    return "CON" + QByteArray(1, kFieldSeparator) + toAnsi(nickname) + QByteArray(1, kFrameEnd);
}

QByteArray messageFrame(const QString &nickname, const QString &message)
{
    return "MSG" + QByteArray(1, kFieldSeparator) + toAnsi(nickname) + QByteArray(1, kFieldSeparator) + toAnsi(message)
        + QByteArray(1, kFrameEnd);
}

} // namespace chat
