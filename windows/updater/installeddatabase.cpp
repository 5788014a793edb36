#include "windows/updater/installeddatabase.h"

#include "app/failures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
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

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

QString describe(const std::error_code &error)
{
    return QString::fromLocal8Bit(error.message());
}

// The download must be on disk before it takes the installed database's place.
void flushToDisk(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        throw app::Failure(QObject::tr("The downloaded database %1 could not be opened: %2")
                               .arg(QDir::toNativeSeparators(path), file.errorString()));
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0)
        throw app::Failure(QObject::tr("The downloaded database %1 could not be written to disk.")
                               .arg(QDir::toNativeSeparators(path)));
#endif
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

void installDownloadedDatabase(const DatabaseFiles &files)
{
    flushToDisk(files.download);
    std::error_code error;
    if (QFileInfo::exists(files.installed)) {
        // Copy beside the backup, then rename: a broken copy never replaces a good backup.
        const QString backupCopy = files.backup + QStringLiteral(".partial");
        std::filesystem::copy_file(fsPath(files.installed), fsPath(backupCopy),
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (!error)
            std::filesystem::rename(fsPath(backupCopy), fsPath(files.backup), error);
        if (error) {
            std::error_code ignored; // the leftover copy is only tidied up
            std::filesystem::remove(fsPath(backupCopy), ignored);
            throw app::Failure(QObject::tr("The installed database could not be kept as %1: %2. "
                                           "Nothing was changed.")
                                   .arg(QDir::toNativeSeparators(files.backup), describe(error)));
        }
    }
    std::filesystem::rename(fsPath(files.download), fsPath(files.installed), error);
    if (error)
        throw app::Failure(QObject::tr("The new database could not replace %1: %2. The installed database was kept.")
                               .arg(QDir::toNativeSeparators(files.installed), describe(error)));
}
