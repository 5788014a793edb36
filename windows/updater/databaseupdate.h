#pragma once
#include "platform/http/httpget.h"
#include "windows/updater/installeddatabase.h"

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <optional>

// Downloads a driver database and installs it: the body goes to the download file chunk by
// chunk as it arrives (opened afresh at the response start, so no old tail survives), and only
// a complete download that passes the driver-database check replaces the installed database.
class DatabaseUpdate : public QObject {
    Q_OBJECT
public:
    explicit DatabaseUpdate(const DatabaseFiles &files, QObject *parent = nullptr);
    ~DatabaseUpdate() override;

    // Starts a download; a running one is abandoned first (its request aborted, its file closed).
    void start(const QUrl &url);

signals:
    void responseStarted(const QString &allResponseHeaders);
    // After each chunk written; announced is the Content-Length, when there is a usable one.
    void progressChanged(qint64 received, std::optional<qint64> announced);
    void installed();
    // The download or the install failed; the installed database is untouched.
    void failed(const QString &text);

private:
    void onResponseStarted(int status);
    void onDataAvailable(const QByteArray &chunk);
    void onResponseFinished();
    void onFailed(const QString &reason);
    void finishWithFailure(const QString &text);
    void stop();

    DatabaseFiles files_;
    QPointer<platform::http::HttpGet> request_;
    QFile downloadFile_;
};
