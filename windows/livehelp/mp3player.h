#pragma once
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTimer>

// The MP3 player routines. Every window that plays or stops MP3s owns one, with its own
// state; all of them drive the one process-wide device "MP3Play".
class Mp3Player {
public:
    // Opens the file under the alias and starts it. A missing or hidden file sets the outcome
    // "Error with input file" and sends nothing; a refused open shows the error in a box.
    void MP3Play(const QString &fileName);
    void MP3Pause();
    void MP3UnPause();
    // Stops and closes the device; returns an empty text.
    QString MP3Stop();
    // True while the device reports the mode "playing".
    bool IsPlaying();
    // Stops and plays again from the beginning.
    void MP3Restart();

    QString CurrentMP3File;
    // The reply of the last successful mode query; kept when a query fails.
    QString MP3StatusBuffer;
    // "Success", "Error with input file" or the device's error text.
    QString outcome;
};

// The open-file dialog of the player, replaceable so tests never block on it.
class Mp3FileDialog {
public:
    virtual ~Mp3FileDialog() = default;
    // The chosen file's full path, or an empty text when the user cancelled.
    virtual QString chooseFile(QWidget *parent, const QString &filter) = 0;
};

// Installs a dialog (nullptr restores the desktop's); the caller keeps ownership.
void setMp3FileDialog(Mp3FileDialog *dialog);

// The player frame of the Live Help window.
class Mp3PlayerFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit Mp3PlayerFrame(QWidget *parent = nullptr);

    Mp3Player &player() { return player_; }

    QPushButton *Command13; // "Open"
    QPushButton *Command8;  // "Pause" / "Play"
    QPushButton *Command6;  // "Back"
    QPushButton *Command7;  // "Close"
    QLabel *Label2000;
    QCheckBox *Check5;      // "Loop"
    // The loop timer, 1 ms. Loop ticked enables it; it rests while no file is loaded or the
    // player is paused, since a tick can restart nothing then and waking a thousand times a
    // second would only burn processor time.
    QTimer *Timer1;
    bool loopEnabled() const { return loopEnabled_; }

    void Command13_Click();
    void Command8_Click();
    void Command6_Click();
    void Command7_Click();
    void Check5_Click();
    void Timer1_Timer();
    void OpenMP3File();

private:
    void restartFromBeginning();
    // Runs or rests Timer1 after anything that changed the loop's conditions.
    void scheduleLoopTimer();

    Mp3Player player_;
    bool loopEnabled_ = false;
};
