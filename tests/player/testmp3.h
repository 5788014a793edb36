#pragma once
#include <QString>

namespace testmp3 {

// Writes a sine-tone MP3 of the given length with sox and lame; returns false (and the
// tools' complaint in *error) when that fails.
bool writeTone(const QString &path, double seconds, QString *error);

// Writes a text file named like an MP3, which the player must refuse; false when it cannot.
bool writeNotASound(const QString &path);

// Writes 64 KiB of random bytes (the same each time), which no decoder takes for a sound.
bool writeRandomBytes(const QString &path);

// The device's reply to "status MP3Play <item>", or "-" when the query fails.
QString status(const QString &item);

} // namespace testmp3
