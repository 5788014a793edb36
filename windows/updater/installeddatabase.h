#pragma once
// The installed driver database as the Updater window shows it, the step that installs a
// downloaded copy in its place, and the words for a failure to write either.
#include <QDateTime>
#include <QString>

class QFile;

// "#,### KB": the size in KiB rounded to whole units with thousands separators; below half a
// unit no digits at all (0 bytes give " KB").
QString formatKilobytes(qint64 bytes);

// The date and time in the system's general format: short date, long time.
QString formatGeneralDate(const QDateTime &dateTime);

struct InstalledDatabaseLabels {
    QString date;
    QString size;
};

// What the date and size labels show for the database file; "not installed" in both when the
// file is missing.
InstalledDatabaseLabels describeInstalledDatabase(const QString &path);

struct DatabaseFiles {
    QString download; // DatabaseMain1.mdb, the download while it runs
    QString installed; // DriverData.mdb, read by every lookup
    QString backup; // DriverData.backup, the previous database
    // The shipped database, read while `installed` does not exist: an installed program keeps
    // what it downloads in the user's folder. Empty when the shipped file is `installed` itself.
    QString shipped;

    // The database lookups read until the next install.
    QString current() const;

    // The three files by their names in one folder, nothing shipped apart.
    static DatabaseFiles inFolder(const QString &folder);
};

// Moves a checked download into place. The previous database is first copied to the backup;
// then the download replaces the installed file in one rename, so a lookup opens either the old
// or the new database, never a half-written one. Every file is on the disk before it is renamed
// and the renames are on the disk when this returns, so a power loss afterwards cannot undo them
// or leave a partial file. Raises app::Failure; on failure the installed database is untouched.
void installDownloadedDatabase(const DatabaseFiles &files);

// Bytes that may still be written in the folder's file system; -1 when unknown.
qint64 freeSpace(const QString &folder);

// "there is not enough free space in the folder ... (N MB are needed there) ...", with "at
// least" when the figure is a lower bound.
QString notEnoughSpaceReason(const QString &folder, qint64 needed, bool atLeast);

// Why writing a file failed, in words a user can act on: on a full disk (error ENOSPC or
// EDQUOT), that its folder lacks free space and how much the step needs there; otherwise the
// file and the system's reason (the file's own error text when error is 0, unknown).
QString writeFailureReason(const QFile &file, int error, qint64 needed, bool atLeast);
