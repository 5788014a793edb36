#pragma once
#include "app/controls.h"
#include "app/forms.h"

#include <QAbstractSocket>
#include <QColor>

class QGroupBox;
class QKeyEvent;
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
// Only one copy of the executable on the machine shows it at a time: when another running copy
// holds it, the window says so and unloads itself during its load, and
// app::Forms::show<Form2>() returns nullptr.
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
    app::ClickableLabel *Label6;
    Mp3PlayerFrame *Frame3;

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
    void txtMsg_Enter();
    void sckClient_Connect();
    void sckClient_Close();
    void sckClient_Error(int number, const QString &description);
    void sckClient_DataArrival();
    void Form_Escape();

protected:
    void Form_Load() override;
    void Form_QueryUnload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void connectHandlers();
    void showLiveHelpFrame();
    void receiveSlice();
    void socketFailed(QAbstractSocket::SocketError error);
    void connectionDropped(const QString &line);
    bool portKeyAccepted(const QKeyEvent *event) const;

    ServerAddressRefresh *refresh_;
    bool addressLoaded_ = false; // ServerIP.txt is written back only when it was read at load
    bool arrivalQueued_ = false; // the rest of a received burst waits for the next turn
};
