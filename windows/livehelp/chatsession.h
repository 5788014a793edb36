#pragma once
#include <QAbstractSocket>
#include <QString>
#include <QtGlobal>

#include <optional>

// The rules of the Live Help chat session that need no window.
namespace livehelp {

// Removes leading and trailing space characters only; tabs and line breaks stay.
QString trimSpaces(const QString &text);

// The port typed by the user: digits only, 1 to 65535.
std::optional<quint16> portValue(const QString &text);

// The number a socket failure is reported under: the Windows socket error a help desk knows,
// never 0. The mapping is fixed:
//   10061 connection refused (also by a proxy)
//   11001 host not found (also the proxy)
//   10060 timed out (the connection attempt, a proxy, or the system's own connect time-out)
//   10054 connection reset or closed by the remote side (also a proxy's connection)
//   10065 no route to the host          10051 network unreachable
//   10013 access denied                 10055 out of socket resources
//   10048 address in use                10049 address not available
//   10053 connection aborted: every other failure, and a connection the chat itself gives up
// Qt reports several system errors as one NetworkError; its description tells them apart.
inline constexpr int kConnectionAborted = 10053;
int socketErrorNumber(QAbstractSocket::SocketError error, const QString &description);

// The transcript line for a socket failure: "> Error (n): description", ending in one full stop.
QString errorLine(int number, const QString &description);

// The text without the chat frame separators 0x02 and 0x04, which would let a nickname or a
// message forge frames of its own.
QString withoutFrameSeparators(const QString &text);

} // namespace livehelp
