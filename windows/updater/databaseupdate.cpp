#include "windows/updater/databaseupdate.h"

#include "app/failures.h"
#include "platform/http/httpget.h"
#include "platform/jet/jetdatabase.h"
#include "windows/updater/failuretext.h"

#include <QDir>

namespace {
QString downloadFailure(const QString &what)
{
    return failureText(QObject::tr("The database could not be downloaded"), what,
                       QObject::tr("The installed database was kept."));
}

QString writeFailure(const QFile &file)
{
    return downloadFailure(
        QObject::tr("%1 could not be written (%2)").arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
}
} // namespace

DatabaseUpdate::DatabaseUpdate(const DatabaseFiles &files, QObject *parent) : QObject(parent), files_(files) {}

DatabaseUpdate::~DatabaseUpdate()
{
    stop();
}

void DatabaseUpdate::start(const QUrl &url)
{
    stop();
    request_ = new platform::http::HttpGet(url, platform::http::kDefaultTimeouts, this);
    connect(request_, &platform::http::HttpGet::responseStarted, this, &DatabaseUpdate::onResponseStarted);
    connect(request_, &platform::http::HttpGet::dataAvailable, this, &DatabaseUpdate::onDataAvailable);
    connect(request_, &platform::http::HttpGet::responseFinished, this, &DatabaseUpdate::onResponseFinished);
    connect(request_, &platform::http::HttpGet::failed, this, &DatabaseUpdate::onFailed);
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
    if (!downloadFile_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        finishWithFailure(writeFailure(downloadFile_));
        return;
    }
    emit progressChanged(0, request_->contentLength());
}

void DatabaseUpdate::onDataAvailable(const QByteArray &chunk)
{
    if (downloadFile_.write(chunk) != chunk.size()) {
        finishWithFailure(writeFailure(downloadFile_));
        return;
    }
    emit progressChanged(request_->bytesReceived(), request_->contentLength());
}

void DatabaseUpdate::onResponseFinished()
{
    if (!downloadFile_.flush()) {
        finishWithFailure(writeFailure(downloadFile_));
        return;
    }
    const qint64 received = request_->bytesReceived();
    stop();
    emit progressChanged(received, received); // complete, whatever was announced
    try {
        platform::jet::checkDriverDatabase(files_.download);
        installDownloadedDatabase(files_);
    } catch (const platform::jet::JetError &error) {
        finishWithFailure(failureText(tr("The downloaded file is not a usable driver database"), error.text(),
                                      tr("The installed database was kept.")));
        return;
    } catch (const app::Failure &failure) {
        finishWithFailure(failure.text());
        return;
    }
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

void DatabaseUpdate::stop()
{
    if (request_) {
        request_->abort();
        request_->deleteLater();
        request_ = nullptr;
    }
    downloadFile_.close();
}
