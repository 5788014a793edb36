#pragma once
#include <QByteArray>
#include <QObject>
#include <QPointer>

class QLineEdit;
namespace platform::http {
class HttpGet;
}

// Fetches the chat server's current address from the maker's update host and puts it into the
// Live Help window's server box. A new refresh replaces a running one, so only the latest
// request's answer reaches the box.
class ServerAddressRefresh : public QObject {
    Q_OBJECT
public:
    explicit ServerAddressRefresh(QObject *parent = nullptr);
    ~ServerAddressRefresh() override;

    // Starts the refresh and returns at once. On the first data the box receives the response
    // text as it stands (no trimming); a status other than 200 shows "Remote file not found"
    // and leaves the box unchanged.
    void RefreshServerAddress(QLineEdit *txtServer);

private:
    void httCheckVersion_OnResponseStart(int status);
    void httCheckVersion_OnResponseDataAvailable(const QByteArray &chunk);
    void httCheckVersion_OnError(const QString &reason);
    void releaseRequest();

    platform::http::HttpGet *httCheckVersion = nullptr;
    QPointer<QLineEdit> txtServer_;
};
