#pragma once
#include "app/forms.h"

#include <QAbstractSocket>
#include <QColor>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;
class QTabBar;
class QTcpSocket;
class QTextEdit;
class Mp3PlayerFrame;
class ServerAddressRefresh;

// The Live Help window: the chat client with its login frame, which also holds the MP3 player.
// One instance at a time per program, and only while no other copy of this executable holds the
// Live Help lock: app::Forms::show<Form2>() returns nullptr when the window refused to open.
class Form2 : public app::Form {
    Q_OBJECT
public:
    Form2();
    ~Form2() override;

    QTabBar *TabStrip1;
    QGroupBox *LiveHelpFrame;

    QGroupBox *Frame27; // "Login to Chat Session:"
    QLabel *lblServer;
    QLineEdit *txtServer;
    QLabel *lblPort;
    QLineEdit *txtPort;
    QLabel *lblNickname;
    QLineEdit *txtNickname;
    QPushButton *cmdConnect;
    QPushButton *Command12;
    QPushButton *Command3;
    QLabel *Label6;
    Mp3PlayerFrame *Frame3 = nullptr;

    QGroupBox *Frame26; // "Chat Session"
    QTextEdit *rtbChat;
    QLineEdit *txtMsg;
    QPushButton *cmdSend;
    QLabel *lblUsers;
    QListWidget *lstUsers;
    QTcpSocket *sckClient;

    QMenu *mnuAbout;
    QAction *mnuForums;

    // Handlers, named after the control and event they answer.
    void cmdConnect_Click();
    void cmdSend_Click();
    void Command12_Click();
    void Command3_Click();
    void Label6_Click();
    void mnuForums_Click();
    void TabStrip1_Click(int index);
    void sckClient_Connect();
    void sckClient_Close();
    void sckClient_Error(int number, const QString &description);
    void sckClient_DataArrival();

protected:
    void Form_Load() override;
    void Form_QueryUnload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showLiveHelpFrame();
    void onSocketError(QAbstractSocket::SocketError error);
    void escapePressed();
    void addStatus(const QColor &colour, const QString &text);

    ServerAddressRefresh *refresh_ = nullptr;
    bool addressLoaded_ = false; // ServerIP.txt is written back only when it was read at load
};
