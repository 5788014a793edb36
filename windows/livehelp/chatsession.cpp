#include "windows/livehelp/chatsession.h"

#include "chat/protocol.h"

#include <QCoreApplication>

namespace livehelp {

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

std::optional<quint16> portValue(const QString &text)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    uint value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}

int socketErrorNumber(QAbstractSocket::SocketError error, const QString &description)
{
    // The socket engine's own texts, as it words them in the running language.
    auto says = [&](const char *text) { return description == QCoreApplication::translate("QNativeSocketEngine", text); };
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::ProxyConnectionRefusedError:
        return 10061;
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::ProxyNotFoundError:
        return 11001;
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::ProxyConnectionTimeoutError:
        return 10060;
    case QAbstractSocket::RemoteHostClosedError:
    case QAbstractSocket::ProxyConnectionClosedError:
        return 10054;
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::SocketResourceError:
        return 10055;
    case QAbstractSocket::AddressInUseError:
        return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return 10049;
    case QAbstractSocket::NetworkError:
        if (says("Connection timed out") || says("Network operation timed out"))
            return 10060;
        if (says("Host unreachable"))
            return 10065;
        if (says("Network unreachable"))
            return 10051;
        if (says("The remote host closed the connection"))
            return 10054;
        if (says("The bound address is already in use"))
            return 10048;
        return kConnectionAborted;
    default:
        return kConnectionAborted;
    }
}

QString errorLine(int number, const QString &description)
{
    QString line = QStringLiteral("> Error (%1): %2").arg(number).arg(description);
    if (!line.endsWith(u'.'))
        line += u'.';
    return line;
}

QString withoutFrameSeparators(const QString &text)
{
    QString cleaned = text;
    cleaned.remove(QChar::fromLatin1(chat::kFieldSeparator));
    cleaned.remove(QChar::fromLatin1(chat::kFrameEnd));
    return cleaned;
}

} // namespace livehelp
