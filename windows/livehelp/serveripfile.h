#pragma once
#include <QString>

// ServerIP.txt remembers the chat server's address between runs.

// Reads the file as comma-and-line delimited fields (a field that begins with a double quote runs
// to the next double quote; blanks before a field are skipped; blank lines hold no field) and
// returns the last field. A missing, unreadable or empty file gives an empty text; never throws.
QString readServerAddress(const QString &path);

// Replaces the file with one line: the address in double quotes, then CR LF. The new content
// replaces the old one in a single step, so the old address survives any failure on the way.
// Throws app::Failure with a text the user can act on when the file cannot be written.
void writeServerAddress(const QString &path, const QString &address);
