#include "windows/livehelp/form2.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTcpSocket>
#include <QTextEdit>

Form2::Form2() : app::Form("Form2")
{
    TabStrip1 = new QTabBar(this);
    LiveHelpFrame = new QGroupBox(this);
    Frame27 = new QGroupBox(LiveHelpFrame);
    lblServer = new QLabel(Frame27);
    txtServer = new QLineEdit(Frame27);
    lblPort = new QLabel(Frame27);
    txtPort = new QLineEdit(Frame27);
    lblNickname = new QLabel(Frame27);
    txtNickname = new QLineEdit(Frame27);
    cmdConnect = new QPushButton(Frame27);
    Command12 = new QPushButton(Frame27);
    Command3 = new QPushButton(Frame27);
    Label6 = new QLabel(Frame27);
    Frame26 = new QGroupBox(LiveHelpFrame);
    rtbChat = new QTextEdit(Frame26);
    txtMsg = new QLineEdit(Frame26);
    cmdSend = new QPushButton(Frame26);
    lblUsers = new QLabel(Frame26);
    lstUsers = new QListWidget(Frame26);
    sckClient = new QTcpSocket(this);
    mnuAbout = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuForums = mnuAbout->addAction(QStringLiteral("Support Forums"));
}

Form2::~Form2() = default;

void Form2::cmdConnect_Click() {}
void Form2::cmdSend_Click() {}
void Form2::Command12_Click() {}
void Form2::Command3_Click() {}
void Form2::Label6_Click() {}
void Form2::mnuForums_Click() {}
void Form2::TabStrip1_Click(int) {}
void Form2::sckClient_Connect() {}
void Form2::sckClient_Close() {}
void Form2::sckClient_Error(int, const QString &) {}
void Form2::sckClient_DataArrival() {}
void Form2::Form_Load() {}
void Form2::Form_QueryUnload() {}
bool Form2::eventFilter(QObject *watched, QEvent *event) { return app::Form::eventFilter(watched, event); }
void Form2::showLiveHelpFrame() {}
void Form2::onSocketError(QAbstractSocket::SocketError) {}
void Form2::escapePressed() {}
void Form2::addStatus(const QColor &, const QString &) {}
