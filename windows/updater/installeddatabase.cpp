#include "windows/updater/installeddatabase.h"

#include "app/failures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStorageInfo>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

QLocale displayLocale()
{
    QLocale locale = QLocale::system();
    // The bare C locale writes numbers without separators; show them as in English instead.
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::generic_category().message(error));
}

// A step of the install that failed, with the reason as the user reads it.
struct StepFailure {
    QString reason;
};

// Forces a file's written bytes onto the disk. Returns the system's error number, 0 on success.
// (Systems other than Unix get their own flush with their build.)
int syncToDisk(const QFile &file)
{
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0 ? 0 : errno;
#else
    Q_UNUSED(file);
    return 0;
#endif
}

// Forces a folder's entries onto the disk, so that renames in it survive a power loss.
void syncFolderToDisk(const QString &folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int error = fd < 0 || ::fsync(fd) != 0 ? errno : 0;
    if (fd >= 0)
        ::close(fd);
    if (error != 0)
        throw StepFailure{QObject::tr("the folder %1 could not be written to disk (%2)").arg(native(folder), systemReason(error))};
#else
    Q_UNUSED(folder);
#endif
}

void syncFileToDisk(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw StepFailure{QObject::tr("%1 could not be opened (%2)").arg(native(path), file.errorString())};
    if (const int error = syncToDisk(file))
        throw StepFailure{writeFailureReason(file, error, file.size(), false)};
}

// Copies a file and forces the copy onto the disk.
void copyToDisk(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        throw StepFailure{QObject::tr("%1 could not be read (%2)").arg(native(from), source.errorString())};
    QFile target(to);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw StepFailure{writeFailureReason(target, 0, source.size(), false)};
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 read = source.read(buffer.data(), buffer.size());
        if (read < 0)
            throw StepFailure{QObject::tr("%1 could not be read (%2)").arg(native(from), source.errorString())};
        if (read == 0)
            break;
        errno = 0;
        if (target.write(buffer.constData(), read) != read)
            throw StepFailure{writeFailureReason(target, errno, source.size(), false)};
    }
    if (const int error = syncToDisk(target))
        throw StepFailure{writeFailureReason(target, error, source.size(), false)};
}

void renameFile(const QString &from, const QString &to)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()), error);
    if (error)
        throw StepFailure{QString::fromLocal8Bit(error.message())};
}

} // namespace

QString formatKilobytes(qint64 bytes)
{
    const qint64 kilobytes = std::llround(double(bytes) / 1024.0);
    const QString digits = kilobytes == 0 ? QString() : displayLocale().toString(kilobytes);
    return digits + QStringLiteral(" KB");
}

QString formatGeneralDate(const QDateTime &dateTime)
{
    const QLocale locale = displayLocale();
    // The long time format may name the time zone; the general format does not.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
    return locale.toString(dateTime.date(), QLocale::ShortFormat) + QLatin1Char(' ')
         + locale.toString(dateTime.time(), timeFormat.trimmed());
}

InstalledDatabaseLabels describeInstalledDatabase(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        const QString missing = QObject::tr("not installed");
        return {missing, missing};
    }
    return {formatGeneralDate(info.lastModified()), formatKilobytes(info.size())};
}

DatabaseFiles DatabaseFiles::inFolder(const QString &folder)
{
    const QDir dir(folder);
    return {dir.filePath(QStringLiteral("DatabaseMain1.mdb")), dir.filePath(QStringLiteral("DriverData.mdb")),
            dir.filePath(QStringLiteral("DriverData.backup")), QString()};
}

QString DatabaseFiles::current() const
{
    return shipped.isEmpty() || QFileInfo::exists(installed) ? installed : shipped;
}

void installDownloadedDatabase(const DatabaseFiles &files)
{
    try {
        syncFileToDisk(files.download);
    } catch (const StepFailure &failure) {
        throw app::Failure(QObject::tr("The downloaded database could not be installed: %1. The installed database was kept.")
                               .arg(failure.reason));
    }
    if (const QString current = files.current(); QFileInfo::exists(current)) {
        // Copy beside the backup, then rename: a broken copy never replaces a good backup.
        const QString backupCopy = files.backup + QStringLiteral(".partial");
        try {
            copyToDisk(current, backupCopy);
            renameFile(backupCopy, files.backup);
        } catch (const StepFailure &failure) {
            QFile::remove(backupCopy); // only tidied up: it is no backup yet
            throw app::Failure(QObject::tr("The installed database could not be kept as %1: %2. Nothing was changed.")
                                   .arg(native(files.backup), failure.reason));
        }
    }
    try {
        renameFile(files.download, files.installed);
    } catch (const StepFailure &failure) {
        throw app::Failure(QObject::tr("The new database could not replace %1: %2. The installed database was kept.")
                               .arg(native(files.installed), failure.reason));
    }
    try {
        syncFolderToDisk(folderOf(files.installed));
    } catch (const StepFailure &failure) {
        throw app::Failure(QObject::tr("The new database replaced %1, but %2: a power loss now could bring back the "
                                       "previous database.")
                               .arg(native(files.installed), failure.reason));
    }
}

qint64 freeSpace(const QString &folder)
{
    const QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

QString notEnoughSpaceReason(const QString &folder, qint64 needed, bool atLeast)
{
    const QString size = displayLocale().formattedDataSize(needed, 1, QLocale::DataSizeTraditionalFormat);
    return (atLeast ? QObject::tr("there is not enough free space in the folder %1 (at least %2 are needed there); "
                                  "free some space, then try again")
                    : QObject::tr("there is not enough free space in the folder %1 (%2 are needed there); free some "
                                  "space, then try again"))
        .arg(native(folder), size);
}

QString writeFailureReason(const QFile &file, int error, qint64 needed, bool atLeast)
{
    if (error == ENOSPC || error == EDQUOT)
        return notEnoughSpaceReason(folderOf(file.fileName()), needed, atLeast);
    return QObject::tr("%1 could not be written (%2)")
        .arg(native(file.fileName()), error != 0 ? systemReason(error) : file.errorString());
}
