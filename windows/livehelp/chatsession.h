#pragma once
#include <QString>
#include <QtGlobal>

#include <optional>

// The rules of the Live Help chat session that need no window.
namespace livehelp {

// Removes leading and trailing space characters only; tabs and line breaks stay.
QString trimSpaces(const QString &text);

// The port typed by the user: digits only, 1 to 65535.
std::optional<quint16> portValue(const QString &text);

// The transcript line for a socket failure: "> Error (n): description", ending in one full stop.
QString errorLine(int number, const QString &description);

// The text without the chat frame separators 0x02 and 0x04, which would let a nickname or a
// message forge frames of its own.
QString withoutFrameSeparators(const QString &text);

} // namespace livehelp
