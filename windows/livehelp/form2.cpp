#include "windows/livehelp/form2.h"

#include "app/appfolder.h"
#include "app/failures.h"
#include "app/links.h"
#include "app/messagebox.h"
#include "chat/chatstate.h"
#include "chat/protocol.h"
#include "chat/transcript.h"
#include "windows/about/tos.h"
#include "windows/livehelp/chatsession.h"
#include "windows/livehelp/mp3player.h"
#include "windows/livehelp/serveripfile.h"
#include "windows/livehelp/singleinstance.h"
#include "windows/updater/serveraddressrefresh.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTcpSocket>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

using app::named;

namespace {

const QString kServerAddressFile = QStringLiteral("ServerIP.txt");

chat::ChatState &state()
{
    return chat::chatState();
}

// Received data is handled in slices, with a return to the event loop between them, so a burst
// of thousands of lines leaves the window responsive; each slice is handled whole and in order.
constexpr qint64 kArrivalSlice = 16 * 1024;
// What the socket holds before the server has to wait for the window.
constexpr qint64 kReadBufferSize = 256 * 1024;

} // namespace

Form2::Form2() : app::Form("Form2")
{
    setWindowTitle(QStringLiteral("Torvane Driver Searcher - Live Help"));
    buildControls();
    connectHandlers();
}

Form2::~Form2() = default;

void Form2::buildControls()
{
    auto *central = new QWidget(this);
    setCentralWidget(central);
    auto *layout = new QVBoxLayout(central);

    TabStrip1 = named(new QTabBar(central), "TabStrip1");
    TabStrip1->addTab(QStringLiteral("Live Help"));
    TabStrip1->setTabToolTip(0, QStringLiteral("Opens Live Help Chat Client"));
    TabStrip1->setAccessibleName(QStringLiteral("Live Help"));
    TabStrip1->setVisible(false);
    layout->addWidget(TabStrip1);

    LiveHelpFrame = named(new QGroupBox(QStringLiteral("Live Help and Support"), central), "LiveHelpFrame");
    LiveHelpFrame->setVisible(false);
    layout->addWidget(LiveHelpFrame, 1);
    auto *frames = new QHBoxLayout(LiveHelpFrame);

    Frame27 = named(new QGroupBox(QStringLiteral("Login to Chat Session:"), LiveHelpFrame), "Frame27");
    app::nameFrameByTitle(Frame27);
    auto *login = new QGridLayout(Frame27);
    lblServer = named(new QLabel(QStringLiteral("Server:"), Frame27), "lblServer");
    txtServer = named(new QLineEdit(Frame27), "txtServer");
    lblPort = named(new QLabel(QStringLiteral("Port:"), Frame27), "lblPort");
    txtPort = named(new QLineEdit(QStringLiteral("1234"), Frame27), "txtPort");
    txtPort->setMaxLength(5);
    lblNickname = named(new QLabel(QStringLiteral("Nickname:"), Frame27), "lblNickname");
    txtNickname = named(new QLineEdit(QStringLiteral("Client"), Frame27), "txtNickname");
    lblServer->setBuddy(txtServer);
    lblPort->setBuddy(txtPort);
    lblNickname->setBuddy(txtNickname);
    txtServer->setAccessibleName(QStringLiteral("Server"));
    txtPort->setAccessibleName(QStringLiteral("Port"));
    txtNickname->setAccessibleName(QStringLiteral("Nickname"));
    cmdConnect = named(new QPushButton(QStringLiteral("&Connect »"), Frame27), "cmdConnect");
    Command12 = named(new QPushButton(QStringLiteral("Disconnect"), Frame27), "Command12");
    Command3 = named(new QPushButton(QStringLiteral("Chat Terms of Service"), Frame27), "Command3");
    Label6 = named(new app::ClickableLabel(QStringLiteral("If you are getting a time out error when trying to connect it may be because "
                                             "the Server IP has changed.  Click  here for the program to update to the newer IP"),
                              Frame27),
                   "Label6");
    Label6->setAccessibleName(Label6->text());
    Frame3 = new Mp3PlayerFrame(Frame27);
    login->addWidget(lblServer, 0, 0);
    login->addWidget(txtServer, 0, 1);
    login->addWidget(lblPort, 1, 0);
    login->addWidget(txtPort, 1, 1);
    login->addWidget(lblNickname, 2, 0);
    login->addWidget(txtNickname, 2, 1);
    login->addWidget(cmdConnect, 3, 0, 1, 2);
    login->addWidget(Command12, 4, 0, 1, 2);
    login->addWidget(Command3, 5, 0, 1, 2);
    login->addWidget(Label6, 6, 0, 1, 2);
    login->addWidget(Frame3, 7, 0, 1, 2);
    login->setRowStretch(8, 1);
    Frame27->setMaximumWidth(320);
    frames->addWidget(Frame27);

    Frame26 = named(new QGroupBox(QStringLiteral("Chat Session"), LiveHelpFrame), "Frame26");
    app::nameFrameByTitle(Frame26);
    auto *session = new QGridLayout(Frame26);
    rtbChat = named(new chat::TranscriptBox(Frame26), "rtbChat");
    rtbChat->setAccessibleName(QStringLiteral("Chat transcript"));
    txtMsg = named(new QLineEdit(Frame26), "txtMsg");
    txtMsg->setMaxLength(1024);
    txtMsg->setAccessibleName(QStringLiteral("Message"));
    cmdSend = named(new QPushButton(QStringLiteral("&Send Message"), Frame26), "cmdSend");
    lblUsers = named(new QLabel(QStringLiteral("Users Online:"), Frame26), "lblUsers");
    lstUsers = named(new QListWidget(Frame26), "lstUsers");
    lstUsers->setMaximumWidth(160);
    lblUsers->setBuddy(lstUsers);
    lstUsers->setAccessibleName(QStringLiteral("Users Online"));
    session->addWidget(rtbChat, 0, 0, 3, 1);
    session->addWidget(lblUsers, 0, 1);
    session->addWidget(lstUsers, 1, 1, 2, 1);
    session->addWidget(txtMsg, 3, 0);
    session->addWidget(cmdSend, 3, 1);
    session->setColumnStretch(0, 1);
    session->setRowStretch(2, 1);
    frames->addWidget(Frame26, 1);

    sckClient = named(new QTcpSocket(this), "sckClient");
    sckClient->setReadBufferSize(kReadBufferSize);
    refresh_ = new ServerAddressRefresh(this);

    mnuAbout = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    mnuForums = mnuAbout->addAction(QStringLiteral("Support Forums"));
    mnuForums->setObjectName(QStringLiteral("mnuForums"));

    resize(860, 560);
}

void Form2::connectHandlers()
{
    auto handle = [this](void (Form2::*handler)()) {
        return [this, handler] { app::runHandler([&] { (this->*handler)(); }); };
    };
    connect(cmdConnect, &QPushButton::clicked, this, handle(&Form2::cmdConnect_Click));
    connect(cmdSend, &QPushButton::clicked, this, handle(&Form2::cmdSend_Click));
    connect(Command12, &QPushButton::clicked, this, handle(&Form2::Command12_Click));
    connect(Command3, &QPushButton::clicked, this, handle(&Form2::Command3_Click));
    connect(mnuForums, &QAction::triggered, this, handle(&Form2::mnuForums_Click));
    connect(TabStrip1, &QTabBar::tabBarClicked, this, [this](int index) { app::runHandler([&] { TabStrip1_Click(index); }); });
    connect(sckClient, &QTcpSocket::connected, this, handle(&Form2::sckClient_Connect));
    connect(sckClient, &QTcpSocket::readyRead, this, handle(&Form2::sckClient_DataArrival));
    connect(sckClient, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) { app::runHandler([&] { socketFailed(error); }); });

    // Esc anywhere in the window re-connects after a loss.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, handle(&Form2::Form_Escape));

    connect(Label6, &app::ClickableLabel::clicked, this, handle(&Form2::Label6_Click));
    txtPort->installEventFilter(this);
    txtMsg->installEventFilter(this);
}

bool Form2::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (watched == txtPort)
            return !portKeyAccepted(key);
        if (watched == txtMsg && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            app::runHandler([&] { txtMsg_Enter(); });
            return true;
        }
    }
    return app::Form::eventFilter(watched, event);
}

// Digits and backspace are typed; other characters are not. Keys that type nothing (arrows,
// shortcuts such as paste) keep their usual meaning.
bool Form2::portKeyAccepted(const QKeyEvent *event) const
{
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return true;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;
    const QString text = event->text();
    if (text.isEmpty())
        return true;
    return text.size() == 1 && text[0] >= u'0' && text[0] <= u'9';
}

void Form2::Form_Load()
{
    Frame3->Check5->setVisible(false);
    Frame3->player().MP3Stop();
    TabStrip1->setVisible(true);
    showLiveHelpFrame();
    QCoreApplication::processEvents();
    if (!livehelp::claimLiveHelpInstance()) {
        app::messageBox(QStringLiteral("This program is already running"));
        app::Forms::unload(this);
        return;
    }
    txtServer->setText(readServerAddress(app::dataFile(kServerAddressFile)));
    addressLoaded_ = true;
}

void Form2::Form_QueryUnload()
{
    // Nothing the socket still reports reaches a window that is going away.
    sckClient->disconnect(this);
    sckClient->close();
    // A window refused at load never read the file, so it leaves it alone. A failure to save is
    // reported and the window still closes.
    if (addressLoaded_)
        app::runHandler([&] { writeServerAddress(app::writableDataFile(kServerAddressFile), txtServer->text()); });
    Frame3->player().MP3Stop();
}

void Form2::showLiveHelpFrame()
{
    LiveHelpFrame->setVisible(true);
}

void Form2::TabStrip1_Click(int index)
{
    if (TabStrip1->tabText(index) != QLatin1String("Live Help"))
        return;
    showLiveHelpFrame();
    Frame3->Check5->setVisible(true);
}

void Form2::mnuForums_Click()
{
    app::openLink(QUrl(QString::fromLatin1(app::kSupportForumUrl)));
}

void Form2::cmdConnect_Click()
{
    QString nickname = txtNickname->text();
    const QString cleanNickname = livehelp::withoutFrameSeparators(nickname);
    if (cleanNickname != nickname) {
        txtNickname->setText(cleanNickname);
        chat::AddStatusLine(rtbChat, chat::kDarkRed,
                            QStringLiteral("> Your nickname held control characters that the chat cannot carry; they were removed."));
    }
    txtServer->setText(livehelp::trimSpaces(txtServer->text()));
    txtPort->setText(livehelp::trimSpaces(txtPort->text()));
    txtNickname->setText(livehelp::trimSpaces(txtNickname->text()));
    const QString server = txtServer->text();
    const QString portText = txtPort->text();
    nickname = txtNickname->text();
    if (server.isEmpty() || portText.isEmpty() || nickname.isEmpty()) {
        app::messageBox(QStringLiteral("Please fill in all fields!"), app::MessageIcon::Critical);
        return;
    }
    const auto port = livehelp::portValue(portText);
    if (!port) {
        app::messageBox(QStringLiteral("Invalid port value!"), app::MessageIcon::Critical);
        return;
    }
    state().CurrentNickname = nickname;
    sckClient->abort();
    state().ConnectionLost = false;
    sckClient->connectToHost(server, *port);
    chat::AddStatusLine(rtbChat, chat::kGrey, QStringLiteral("> Connecting to ") + server + u':' + portText + QStringLiteral("..."));
    chat::AddStatusLine(rtbChat, chat::kGrey,
                        QStringLiteral("Welcome to Live Help, there is a Server Mod on, so if you need help, please ask a question."));
    chat::PlayNotificationSound();
}

void Form2::cmdSend_Click()
{
    const QString text = txtMsg->text();
    if (!text.isEmpty()) {
        if (sckClient->state() != QAbstractSocket::ConnectedState) {
            chat::AddStatusLine(rtbChat, chat::kDarkRed, QStringLiteral("> Not connected! Cannot send message."));
        } else {
            const QString message = livehelp::withoutFrameSeparators(text);
            if (message != text)
                chat::AddStatusLine(rtbChat, chat::kDarkRed,
                                    QStringLiteral("> Your message held control characters that the chat cannot carry; they were removed."));
            if (!message.isEmpty())
                sckClient->write(chat::messageFrame(state().CurrentNickname, message));
            txtMsg->clear();
        }
    }
    chat::PlayNotificationSound();
}

void Form2::txtMsg_Enter()
{
    cmdSend_Click();
    chat::PlayNotificationSound();
}

void Form2::Command12_Click()
{
    sckClient->close();
}

void Form2::Command3_Click()
{
    app::Forms::show<TOS>();
}

void Form2::Label6_Click()
{
    refresh_->RefreshServerAddress(txtServer);
}

void Form2::Form_Escape()
{
    if (state().ConnectionLost)
        cmdConnect_Click();
}

void Form2::sckClient_Connect()
{
    chat::AddStatusLine(rtbChat, chat::kGreen, QStringLiteral("> Connected!"));
    sckClient->write(chat::connectFrame(state().CurrentNickname));
}

void Form2::sckClient_DataArrival()
{
    receiveSlice();
    // The socket announces only new data: what is left of this arrival is taken up next turn.
    if (sckClient->bytesAvailable() > 0 && !arrivalQueued_) {
        arrivalQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                arrivalQueued_ = false;
                app::runHandler([&] { sckClient_DataArrival(); });
            },
            Qt::QueuedConnection);
    }
}

void Form2::receiveSlice()
{
    const QByteArray bytes = sckClient->read(kArrivalSlice);
    const chat::ChatView view{rtbChat, lstUsers};
    chat::FrameReassembler::Result result;
    {
        const chat::TranscriptBatch batch(rtbChat);
        result = state().ReceiveBuffer.receive(bytes, [&](QByteArrayView element) { chat::DispatchFrame(view, element); });
    }
    if (result == chat::FrameReassembler::Result::Overflow)
        connectionDropped(livehelp::errorLine(livehelp::kConnectionAborted,
                                              QStringLiteral("The server sent more than 1 MB without ending a message, so "
                                                             "the connection was closed")));
}

void Form2::socketFailed(QAbstractSocket::SocketError error)
{
    const QString description = sckClient->errorString();
    if (error == QAbstractSocket::RemoteHostClosedError)
        sckClient_Close();
    else
        sckClient_Error(livehelp::socketErrorNumber(error, description), description);
}

void Form2::sckClient_Close()
{
    // What the server sent before it closed is shown before the lost line.
    while (sckClient->bytesAvailable() > 0 && sckClient->state() != QAbstractSocket::UnconnectedState)
        receiveSlice();
    sckClient->abort();
    state().ConnectionLost = true;
    chat::AddStatusLine(rtbChat, chat::kGrey,
                        QStringLiteral("> The connection to the server was lost! Press the [ESC] key to re-connect."));
}

void Form2::sckClient_Error(int number, const QString &description)
{
    connectionDropped(livehelp::errorLine(number, description));
}

void Form2::connectionDropped(const QString &line)
{
    sckClient->abort();
    state().ConnectionLost = true;
    chat::AddStatusLine(rtbChat, chat::kDarkRed, line);
    chat::AddStatusLine(rtbChat, chat::kDarkRed, QStringLiteral("> Press the [ESC] key to re-connect."));
}
