#pragma once
#include "app/forms.h"

#include <optional>

class DatabaseUpdate;
class ServerAddressDownload;
class QAction;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The window that downloads a newer driver database and the chat server's current address.
class Updater : public app::Form {
    Q_OBJECT
public:
    Updater();
    ~Updater() override;

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label9;
    QLabel *Label6;
    QLabel *Label10;
    QLabel *Label4;
    QLabel *Label8;
    QLabel *Label5;
    QLabel *Image1;
    QLabel *Picture1;
    QPushButton *Command1;
    QPushButton *Command3;
    QProgressBar *ProgressBar1;
    QPlainTextEdit *Text1;
    QAction *mnuClose;

    void Command1_Click();
    void Command3_Click();
    void mnuClose_Click();

protected:
    void Form_Load() override;

private:
    void http_OnResponseStart(const QString &allResponseHeaders);
    void http_OnProgress(qint64 received, std::optional<qint64> announced);
    void http_OnInstalled();
    void WinHttpRequest2_OnProgress(qint64 received, std::optional<qint64> announced);
    void WinHttpRequest2_OnInstalled(const QString &address);
    void showFailure(QObject *download, const QString &text);
    void showInstalledDatabase();
    void showProgress(QObject *download, int value, int maximum);

    DatabaseUpdate *http;
    ServerAddressDownload *WinHttpRequest2;
    // The bar follows the download started last.
    QObject *progressOwner_ = nullptr;
};
