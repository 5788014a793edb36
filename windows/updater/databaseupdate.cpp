#include "windows/updater/databaseupdate.h"

#include "app/failures.h"
#include "platform/jet/jetdatabase.h"
#include "windows/updater/failuretext.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace {
QString lockPath(const DatabaseFiles &files)
{
    return files.download + QStringLiteral(".lock");
}

QString downloadFailure(const QString &what)
{
    return failureText(QObject::tr("The database could not be downloaded"), what,
                       QObject::tr("The installed database was kept."));
}

QString lockFailure(const QLockFile &lock, const QString &path)
{
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    switch (lock.error()) {
    case QLockFile::LockFailedError:
        return QObject::tr("another copy of the program is updating the database in the folder %1; try again when "
                           "it has finished")
            .arg(folder);
    case QLockFile::PermissionError:
        return QObject::tr("the folder %1 cannot be written to").arg(folder);
    default:
        return QObject::tr("%1 could not be created").arg(QDir::toNativeSeparators(path));
    }
}
} // namespace

DatabaseUpdate::DatabaseUpdate(const DatabaseFiles &files, platform::http::Timeouts timeouts, QObject *parent)
    : QObject(parent), files_(files), timeouts_(timeouts), lock_(lockPath(files))
{
    // A lock left by a copy that was killed is taken over; a running copy's lock is respected.
    lock_.setStaleLockTime(0);
}

DatabaseUpdate::~DatabaseUpdate()
{
    stop();
}

void DatabaseUpdate::start(const QUrl &url)
{
    stop();
    if (!lock_.tryLock(0)) {
        emit failed(downloadFailure(lockFailure(lock_, lockPath(files_))));
        return;
    }
    request_ = new platform::http::HttpGet(url, timeouts_, this);
    connect(request_, &platform::http::HttpGet::responseStarted, this, &DatabaseUpdate::onResponseStarted);
    connect(request_, &platform::http::HttpGet::dataAvailable, this, &DatabaseUpdate::onDataAvailable);
    connect(request_, &platform::http::HttpGet::responseFinished, this, &DatabaseUpdate::onResponseFinished);
    connect(request_, &platform::http::HttpGet::failed, this, &DatabaseUpdate::onFailed);
}

// Room for the download and for the copy of the installed database that becomes the backup.
qint64 DatabaseUpdate::neededSpace(qint64 downloadSize) const
{
    return downloadSize + QFileInfo(files_.current()).size();
}

void DatabaseUpdate::onResponseStarted(int status)
{
    emit responseStarted(request_->allResponseHeaders());
    if (status != 200) {
        finishWithFailure(downloadFailure(
            tr("the update server answered %1 %2").arg(status).arg(request_->reasonPhrase())));
        return;
    }
    downloadFile_.setFileName(files_.download);
    // Unbuffered: a failing write reports its own error at once.
    if (!downloadFile_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        finishWithFailure(downloadFailure(writeFailureReason(downloadFile_, 0, 0, false)));
        return;
    }
    ownsDownloadFile_ = true;
    // A download that cannot fit is refused before it fills the disk.
    if (const std::optional<qint64> announced = request_->contentLength()) {
        const QString folder = QFileInfo(files_.download).absolutePath();
        const qint64 free = freeSpace(folder);
        if (free >= 0 && free < neededSpace(*announced)) {
            finishWithFailure(downloadFailure(notEnoughSpaceReason(folder, neededSpace(*announced), false)));
            return;
        }
    }
    emit progressChanged(0, request_->contentLength());
}

void DatabaseUpdate::onDataAvailable(const QByteArray &chunk)
{
    errno = 0;
    if (downloadFile_.write(chunk) != chunk.size()) {
        const int error = errno;
        const std::optional<qint64> announced = request_->contentLength();
        finishWithFailure(downloadFailure(writeFailureReason(
            downloadFile_, error, neededSpace(announced ? *announced : request_->bytesReceived()), !announced)));
        return;
    }
    emit progressChanged(request_->bytesReceived(), request_->contentLength());
}

void DatabaseUpdate::onResponseFinished()
{
    const qint64 received = request_->bytesReceived();
    dropRequest();
    downloadFile_.close();
    emit progressChanged(received, received); // complete, whatever was announced
    try {
        platform::jet::checkDriverDatabase(files_.download);
        installDownloadedDatabase(files_);
        ownsDownloadFile_ = false;
    } catch (const platform::jet::JetError &error) {
        finishWithFailure(failureText(tr("The downloaded file is not a usable driver database"), error.text(),
                                      tr("The installed database was kept.")));
        return;
    } catch (const app::Failure &failure) {
        finishWithFailure(failure.text());
        return;
    }
    stop();
    emit installed();
}

void DatabaseUpdate::onFailed(const QString &reason)
{
    finishWithFailure(downloadFailure(reason));
}

void DatabaseUpdate::finishWithFailure(const QString &text)
{
    stop();
    emit failed(text);
}

void DatabaseUpdate::dropRequest()
{
    if (request_) {
        request_->abort();
        request_->deleteLater();
        request_ = nullptr;
    }
}

void DatabaseUpdate::stop()
{
    dropRequest();
    downloadFile_.close();
    if (ownsDownloadFile_) {
        QFile::remove(files_.download);
        ownsDownloadFile_ = false;
    }
    lock_.unlock();
}
