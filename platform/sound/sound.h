#pragma once
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace platform::sound {

// Plays short notification sounds from files.
class SoundService {
public:
    virtual ~SoundService() = default;
    // Starts the sound in the file and returns at once; a sound still playing is cut off. When
    // the file does not exist the platform's default sound plays instead.
    virtual void playFile(const QString &path) = 0;
};

// The service through which the program plays its sounds.
void playFile(const QString &path);

// Installs a service (nullptr restores the media player); the caller keeps ownership.
void setSoundService(SoundService *service);

// Plays through the multimedia framework, which works with or without a sound server.
// The sound starts when the program next returns to its event loop: sounds asked for in one go
// (a burst of received lines) start once, as the last of them, which is what the listener would
// hear anyway since a new sound cuts off the last. Restarting the player for every one of
// thousands of lines would only pile up work in the multimedia framework.
class MediaPlayerSound final : public QObject, public SoundService {
public:
    // defaultSound plays when the file is missing; empty: the desktop's beep.
    explicit MediaPlayerSound(std::function<void()> defaultSound = {});
    ~MediaPlayerSound() override;

    void playFile(const QString &path) override;

    // The player, created on the first sound that had its file; nullptr before it.
    QMediaPlayer *player() const { return player_.get(); }
    // True while a sound waits for the event loop.
    bool pending() const { return pending_; }

private:
    void playPending();

    std::function<void()> defaultSound_;
    std::unique_ptr<QAudioOutput> output_;
    std::unique_ptr<QMediaPlayer> player_;
    QString pendingPath_;
    bool pending_ = false;
};

} // namespace platform::sound
