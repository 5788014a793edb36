#pragma once
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
class MediaPlayerSound final : public SoundService {
public:
    // defaultSound plays when the file is missing; empty: the desktop's beep.
    explicit MediaPlayerSound(std::function<void()> defaultSound = {});
    ~MediaPlayerSound() override;

    void playFile(const QString &path) override;

    // The player, created on the first sound; nullptr before it.
    QMediaPlayer *player() const { return player_.get(); }

private:
    std::function<void()> defaultSound_;
    std::unique_ptr<QAudioOutput> output_;
    std::unique_ptr<QMediaPlayer> player_;
};

} // namespace platform::sound
