#pragma once
#include "platform/http/httpget.h"
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <optional>

// Downloads the chat server's current address and stores it in the server-address file, where
// the Live Help window reads it at its next load. Only a complete answer with status 200 that
// holds one address is stored.
class ServerAddressDownload : public QObject {
    Q_OBJECT
public:
    explicit ServerAddressDownload(const QString &serverAddressFile, QObject *parent = nullptr);
    ~ServerAddressDownload() override;

    // Starts a download; a running one is abandoned first.
    void start(const QUrl &url);

    // The address the downloaded text holds: the text without surrounding blanks and line
    // breaks, when that is one host name or one IPv4 or IPv6 address (no port: the Live Help
    // window has its own box for that); std::nullopt otherwise.
    static std::optional<QString> addressFromText(const QString &text);

signals:
    void progressChanged(qint64 received, std::optional<qint64> announced);
    void installed(const QString &address);
    void failed(const QString &text);

private:
    void onResponseStarted(int status);
    void onDataAvailable(const QByteArray &chunk);
    void onResponseFinished();
    void finishWithFailure(const QString &what);
    void stop();

    QString serverAddressFile_;
    QPointer<platform::http::HttpGet> request_;
    QByteArray body_;
};
