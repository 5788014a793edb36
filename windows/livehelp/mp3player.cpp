#include "windows/livehelp/mp3player.h"

#include "app/controls.h"
#include "app/failures.h"
#include "app/messagebox.h"
#include "platform/media/mci.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QSignalBlocker>

using platform::media::mciSendString;

namespace {

const QString kPauseCaption = QStringLiteral("Pause");
const QString kPlayCaption = QStringLiteral("Play");

class DesktopMp3FileDialog final : public Mp3FileDialog {
public:
    QString chooseFile(QWidget *parent, const QString &filter) override
    {
        return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    }
};

Mp3FileDialog *&installedDialog()
{
    static Mp3FileDialog *dialog = nullptr;
    return dialog;
}

Mp3FileDialog &fileDialog()
{
    static DesktopMp3FileDialog desktop;
    return installedDialog() ? *installedDialog() : desktop;
}

} // namespace

void setMp3FileDialog(Mp3FileDialog *dialog)
{
    installedDialog() = dialog;
}

void Mp3Player::MP3Play(const QString &fileName)
{
    // Hidden files (a leading "." on this system) count as absent, like missing ones.
    const QFileInfo file(fileName);
    if (!file.isFile() || file.isHidden()) {
        outcome = QStringLiteral("Error with input file");
        return;
    }
    const unsigned result = mciSendString(QStringLiteral("open ") + platform::media::commandPath(fileName)
                                          + QStringLiteral(" type MPEGVideo Alias MP3Play"));
    if (result != 0) {
        outcome = platform::media::mciGetErrorString(result);
        app::messageBox(outcome, app::MessageIcon::Critical);
        return;
    }
    outcome = QStringLiteral("Success");
    mciSendString(QStringLiteral("play MP3Play"));
}

void Mp3Player::MP3Pause()
{
    mciSendString(QStringLiteral("pause MP3Play"));
}

void Mp3Player::MP3UnPause()
{
    mciSendString(QStringLiteral("play MP3Play"));
}

QString Mp3Player::MP3Stop()
{
    mciSendString(QStringLiteral("stop MP3Play"));
    mciSendString(QStringLiteral("close MP3Play"));
    return QString();
}

bool Mp3Player::IsPlaying()
{
    QString reply;
    if (mciSendString(QStringLiteral("status MP3Play mode"), &reply) == 0)
        MP3StatusBuffer = reply.left(29); // the reply buffer holds 30 characters with its terminator
    return MP3StatusBuffer.startsWith(QLatin1String("playing"));
}

void Mp3Player::MP3Restart()
{
    mciSendString(QStringLiteral("stop MP3Play"));
    mciSendString(QStringLiteral("play MP3Play from 0"));
}

Mp3PlayerFrame::Mp3PlayerFrame(QWidget *parent) : QGroupBox(QStringLiteral("Torvane MP3 Player 1.0"), parent)
{
    setObjectName(QStringLiteral("Frame3"));

    auto button = [this](const char *name, const QString &caption, bool enabled) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setEnabled(enabled);
        return b;
    };
    Command13 = button("Command13", QStringLiteral("Open"), true);
    Command8 = button("Command8", kPauseCaption, false);
    Command6 = button("Command6", QStringLiteral("Back"), false);
    Command7 = button("Command7", QStringLiteral("Close"), false);

    Label2000 = new QLabel(QStringLiteral(" File Playing:  None"), this);
    Label2000->setObjectName(QStringLiteral("Label2000"));
    app::showsValue(Label2000, QString());
    app::nameFrameByTitle(this);
    Label2000->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    Label2000->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred); // long paths must not widen the window

    Check5 = new QCheckBox(QStringLiteral("Loop"), this);
    Check5->setObjectName(QStringLiteral("Check5"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1);

    auto *layout = new QGridLayout(this);
    layout->addWidget(Label2000, 0, 0, 1, 5);
    layout->addWidget(Command13, 1, 0);
    layout->addWidget(Command8, 1, 1);
    layout->addWidget(Command6, 1, 2);
    layout->addWidget(Command7, 1, 3);
    layout->addWidget(Check5, 1, 4);

    auto handle = [](auto handler) { return [handler] { app::runHandler(handler); }; };
    connect(Command13, &QPushButton::clicked, this, handle([this] { Command13_Click(); }));
    connect(Command8, &QPushButton::clicked, this, handle([this] { Command8_Click(); }));
    connect(Command6, &QPushButton::clicked, this, handle([this] { Command6_Click(); }));
    connect(Command7, &QPushButton::clicked, this, handle([this] { Command7_Click(); }));
    connect(Check5, &QCheckBox::toggled, this, handle([this] { Check5_Click(); })); // mouse, Space and assistive technology
    connect(Timer1, &QTimer::timeout, this, handle([this] { Timer1_Timer(); }));
}

void Mp3PlayerFrame::Command13_Click()
{
    Command13->setEnabled(false);
    OpenMP3File();
    scheduleLoopTimer();
}

void Mp3PlayerFrame::OpenMP3File()
{
    QCoreApplication::processEvents();
    const QString chosen = fileDialog().chooseFile(window(), QStringLiteral("mp3 (*.mp3)"));
    if (chosen.isEmpty()) {
        Command13->setEnabled(true);
        return;
    }
    player_.CurrentMP3File = chosen;
    player_.MP3Play(player_.CurrentMP3File);
    Label2000->setText(QStringLiteral("Current File Playing: ") + player_.CurrentMP3File);
    Command8->setEnabled(true);
    Command7->setEnabled(true);
    Command6->setEnabled(true);
}

void Mp3PlayerFrame::Command8_Click()
{
    if (Command8->text() == kPauseCaption) {
        Command8->setText(kPlayCaption);
        player_.MP3Pause();
    } else {
        Command8->setText(kPauseCaption);
        player_.MP3UnPause();
    }
    scheduleLoopTimer();
}

void Mp3PlayerFrame::Command6_Click()
{
    restartFromBeginning();
    scheduleLoopTimer();
}

void Mp3PlayerFrame::Command7_Click()
{
    Command8->setEnabled(false);
    Command7->setEnabled(false);
    Command6->setEnabled(false);
    Command13->setEnabled(true);
    Command8->setText(kPauseCaption);
    player_.MP3Stop();
    scheduleLoopTimer();
}

void Mp3PlayerFrame::Check5_Click()
{
    loopEnabled_ = !loopEnabled_;
    // The box follows the flag; its change is no new click (the handler may be called directly).
    const QSignalBlocker sameClick(Check5);
    Check5->setChecked(loopEnabled_);
    scheduleLoopTimer();
}

void Mp3PlayerFrame::Timer1_Timer()
{
    if (!Command13->isEnabled() && Command8->text() == kPauseCaption && !player_.IsPlaying())
        restartFromBeginning();
}

void Mp3PlayerFrame::restartFromBeginning()
{
    player_.MP3Restart();
    Command8->setText(kPauseCaption);
}

void Mp3PlayerFrame::scheduleLoopTimer()
{
    const bool fileLoaded = !Command13->isEnabled();
    const bool notPaused = Command8->text() == kPauseCaption;
    if (loopEnabled_ && fileLoaded && notPaused)
        Timer1->start();
    else
        Timer1->stop();
}
