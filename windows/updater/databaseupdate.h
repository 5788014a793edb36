#pragma once
#include "platform/http/httpget.h"
#include "windows/updater/installeddatabase.h"

#include <QFile>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <optional>

// Downloads a driver database and installs it: the body goes to the download file chunk by
// chunk as it arrives (opened afresh at the response start, so no old tail survives), and only
// a complete download that passes the driver-database check replaces the installed database.
// A download that fails or is abandoned is removed again.
//
// Copies of the program that share the folder take turns: each download and install holds the
// folder's update lock (a file beside the download) from start to end, and a copy that finds it
// held is told that another copy is updating, so no copy writes into another's download.
class DatabaseUpdate : public QObject {
    Q_OBJECT
public:
    DatabaseUpdate(const DatabaseFiles &files, platform::http::Timeouts timeouts = platform::http::kDefaultTimeouts,
                   QObject *parent = nullptr);
    ~DatabaseUpdate() override;

    // Starts a download; a running one is abandoned first (its request aborted, its file removed).
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
    void dropRequest();
    void stop();
    qint64 neededSpace(qint64 downloadSize) const;

    DatabaseFiles files_;
    platform::http::Timeouts timeouts_;
    QLockFile lock_;
    QPointer<platform::http::HttpGet> request_;
    QFile downloadFile_;
    bool ownsDownloadFile_ = false; // the file on disk is this download's, removed unless installed
};
