#pragma once
// The installed driver database as the Updater window shows it, and the step that installs a
// downloaded copy in its place.
#include <QDateTime>
#include <QString>

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
    QString download; // DatabaseMain1.mdb, the finished download
    QString installed; // DriverData.mdb, read by every lookup
    QString backup; // DriverData.backup, the previous database
};

// Moves a checked download into place. The previous database is first copied to the backup;
// then the download replaces the installed file in one rename, so a lookup opens either the old
// or the new database, never a half-written one. Raises app::Failure; on failure the installed
// database is untouched.
void installDownloadedDatabase(const DatabaseFiles &files);
