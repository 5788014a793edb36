#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace chat {

// Text on the wire and in the data files uses the single-byte ANSI code page (Windows-1252):
// one byte per character. Characters the code page cannot hold become "?".
QByteArray toAnsi(QStringView text);
QString fromAnsi(QByteArrayView bytes);

} // namespace chat
