#include "platform/sound/sound.h"

#include <QApplication>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

namespace platform::sound {

namespace {

MediaPlayerSound *&mediaPlayerSoundSlot()
{
    static MediaPlayerSound *sound = nullptr;
    return sound;
}

// Created on the first sound, released while the application object still exists (a media
// player must not outlive it).
MediaPlayerSound &mediaPlayerSound()
{
    MediaPlayerSound *&sound = mediaPlayerSoundSlot();
    if (!sound) {
        sound = new MediaPlayerSound;
        qAddPostRoutine([] {
            delete mediaPlayerSoundSlot();
            mediaPlayerSoundSlot() = nullptr;
        });
    }
    return *sound;
}

SoundService *&currentService()
{
    static SoundService *service = nullptr;
    return service;
}

} // namespace

void playFile(const QString &path)
{
    SoundService *service = currentService();
    (service ? *service : mediaPlayerSound()).playFile(path);
}

void setSoundService(SoundService *service)
{
    currentService() = service;
}

MediaPlayerSound::MediaPlayerSound(std::function<void()> defaultSound)
    : defaultSound_(defaultSound ? std::move(defaultSound) : std::function<void()>([] { QApplication::beep(); }))
{
}

MediaPlayerSound::~MediaPlayerSound()
{
    // The player goes before the output it plays into.
    player_.reset();
}

void MediaPlayerSound::playFile(const QString &path)
{
    pendingPath_ = path;
    if (pending_)
        return;
    pending_ = true;
    QMetaObject::invokeMethod(this, &MediaPlayerSound::playPending, Qt::QueuedConnection);
}

void MediaPlayerSound::playPending()
{
    pending_ = false;
    const QFileInfo file(pendingPath_);
    if (!file.isFile()) {
        if (player_)
            player_->stop();
        defaultSound_();
        return;
    }
    if (!player_) {
        output_ = std::make_unique<QAudioOutput>();
        player_ = std::make_unique<QMediaPlayer>();
        player_->setAudioOutput(output_.get());
    }
    const QUrl source = QUrl::fromLocalFile(file.absoluteFilePath());
    player_->stop();
    if (player_->source() != source)
        player_->setSource(source);
    player_->play();
}

} // namespace platform::sound
