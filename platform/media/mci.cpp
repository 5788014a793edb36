#include "platform/media/mci.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QMediaPlayer>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

namespace platform::media {

namespace {

// How long an open waits for the playback system to take the file or refuse it. It takes a
// sound file or refuses any other in a few tens of milliseconds; a file still undecided after
// this (a very slow disk) is taken, and fails later if it cannot be played.
constexpr int kDecodeCheckMs = 5000;

// One opened file under one alias.
class MediaDevice : public QObject {
public:
    MediaDevice(const QString &file, QObject *parent) : QObject(parent)
    {
        player_.setAudioOutput(&output_);
        QObject::connect(&player_, &QMediaPlayer::errorOccurred, this, [this] { failed_ = true; });
        player_.setSource(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    }

    bool failed() const { return failed_ || player_.mediaStatus() == QMediaPlayer::InvalidMedia; }

    // Waits until the playback system has loaded the file or refused it, as an open on a
    // synchronous media system would. Clicks and keys wait meanwhile, so nothing the user does
    // runs inside the open.
    void waitUntilDecided()
    {
        auto decided = [this] {
            const QMediaPlayer::MediaStatus status = player_.mediaStatus();
            return failed() || (status != QMediaPlayer::NoMedia && status != QMediaPlayer::LoadingMedia);
        };
        if (decided())
            return;
        QEventLoop wait;
        QObject::connect(&player_, &QMediaPlayer::mediaStatusChanged, &wait, [&] {
            if (decided())
                wait.quit();
        });
        QObject::connect(&player_, &QMediaPlayer::errorOccurred, &wait, &QEventLoop::quit);
        QTimer::singleShot(kDecodeCheckMs, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    QMediaPlayer &player() { return player_; }

    QString mode() const
    {
        switch (player_.playbackState()) {
        case QMediaPlayer::PlayingState:
            return QStringLiteral("playing");
        case QMediaPlayer::PausedState:
            return QStringLiteral("paused");
        case QMediaPlayer::StoppedState:
            break;
        }
        return QStringLiteral("stopped");
    }

private:
    QAudioOutput output_;
    QMediaPlayer player_;
    bool failed_ = false;
};

// The devices of the whole process by alias (lower case). They are children of the
// application object, so they go with it; a QPointer notices that.
QHash<QString, QPointer<MediaDevice>> &devices()
{
    static QHash<QString, QPointer<MediaDevice>> table;
    return table;
}

MediaDevice *deviceFor(const QString &alias)
{
    auto found = devices().find(alias.toLower());
    if (found == devices().end())
        return nullptr;
    if (!*found) {
        devices().erase(found);
        return nullptr;
    }
    return found->data();
}

struct Word {
    QString text;
    bool quoted = false;

    bool is(const char *keyword) const { return !quoted && text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0; }
};

// Splits a command at blanks; a word in double quotes keeps its blanks.
unsigned splitWords(const QString &command, QList<Word> &words)
{
    qsizetype i = 0;
    const qsizetype n = command.size();
    while (i < n) {
        if (command[i].isSpace()) {
            ++i;
            continue;
        }
        if (command[i] == u'"') {
            const qsizetype close = command.indexOf(u'"', i + 1);
            if (close < 0)
                return MciNoClosingQuote;
            words.append({command.mid(i + 1, close - i - 1), true});
            i = close + 1;
            continue;
        }
        qsizetype end = i;
        while (end < n && !command[end].isSpace())
            ++end;
        words.append({command.mid(i, end - i), false});
        i = end;
    }
    return MciSuccess;
}

unsigned openDevice(const QList<Word> &words)
{
    if (words.size() < 2 || words[1].is("type") || words[1].is("alias") || words[1].text.isEmpty())
        return MciMissingParameter;
    const QString file = words[1].text;
    QString alias = file;
    for (qsizetype i = 2; i < words.size(); i += 2) {
        if (i + 1 >= words.size())
            return MciMissingParameter;
        if (words[i].is("type")) {
            if (words[i + 1].text.compare(QLatin1String("MPEGVideo"), Qt::CaseInsensitive) != 0)
                return MciInvalidDeviceName;
        } else if (words[i].is("alias")) {
            alias = words[i + 1].text;
        } else {
            return MciUnrecognizedKeyword;
        }
    }
    if (deviceFor(alias))
        return MciDuplicateAlias;
    const QFileInfo info(file);
    if (!info.isFile())
        return MciFileNotFound;
    if (!info.isReadable())
        return MciInvalidFile;
    if (!QCoreApplication::instance())
        return MciNoPlaybackSystem;
    // Only what the playback system can decode is opened: the file's content decides, never its name.
    auto device = std::make_unique<MediaDevice>(file, QCoreApplication::instance());
    device->waitUntilDecided();
    if (device->failed())
        return MciInvalidFile;
    devices().insert(alias.toLower(), device.release());
    return MciSuccess;
}

unsigned playDevice(MediaDevice &device, const QList<Word> &words)
{
    std::optional<qint64> from;
    for (qsizetype i = 2; i < words.size(); i += 2) {
        if (!words[i].is("from"))
            return MciUnrecognizedKeyword;
        if (i + 1 >= words.size())
            return MciMissingParameter;
        bool ok = false;
        const qint64 position = words[i + 1].text.toLongLong(&ok);
        if (!ok || position < 0)
            return MciBadInteger;
        from = position;
    }
    if (device.failed())
        return MciInvalidFile;
    if (from)
        device.player().setPosition(*from);
    device.player().play();
    return MciSuccess;
}

unsigned statusOf(MediaDevice &device, const QList<Word> &words, QString *reply)
{
    if (words.size() < 3)
        return MciMissingParameter;
    if (words.size() > 3)
        return MciUnrecognizedKeyword;
    QString answer;
    if (words[2].is("mode"))
        answer = device.mode();
    else if (words[2].is("position"))
        answer = QString::number(device.player().position());
    else if (words[2].is("length"))
        answer = QString::number(device.player().duration());
    else
        return MciUnrecognizedKeyword;
    if (reply)
        *reply = answer;
    return MciSuccess;
}

} // namespace

unsigned mciSendString(const QString &command, QString *reply)
{
    QList<Word> words;
    if (const unsigned split = splitWords(command, words))
        return split;
    if (words.isEmpty())
        return MciMissingCommandString;
    const Word &verb = words[0];
    if (verb.is("open"))
        return openDevice(words);

    const bool known = verb.is("play") || verb.is("pause") || verb.is("stop") || verb.is("close") || verb.is("status");
    if (!known)
        return MciUnrecognizedCommand;
    if (words.size() < 2)
        return MciMissingDeviceName;
    MediaDevice *device = deviceFor(words[1].text);
    if (!device)
        return MciInvalidDeviceName;
    if (verb.is("play"))
        return playDevice(*device, words);
    if (verb.is("status"))
        return statusOf(*device, words, reply);
    if (words.size() > 2)
        return MciUnrecognizedKeyword;
    if (verb.is("pause")) {
        device->player().pause();
    } else if (verb.is("stop")) {
        device->player().stop();
    } else {
        devices().remove(words[1].text.toLower());
        delete device;
    }
    return MciSuccess;
}

QString mciGetErrorString(unsigned result)
{
    switch (result) {
    case MciSuccess:
        return QString();
    case MciUnrecognizedKeyword:
        return QStringLiteral("The media command holds a word it does not recognise.");
    case MciUnrecognizedCommand:
        return QStringLiteral("The media command is not recognised.");
    case MciInvalidDeviceName:
        return QStringLiteral("The media device is not open or its type is not supported.");
    case MciNoPlaybackSystem:
        return QStringLiteral("The playback system could not be started.");
    case MciMissingCommandString:
        return QStringLiteral("No media command was given.");
    case MciBadInteger:
        return QStringLiteral("A number in the media command is not a valid whole number.");
    case MciMissingParameter:
        return QStringLiteral("The media command is missing a required value, such as the name of the file to open.");
    case MciFileNotFound:
        return QStringLiteral("Cannot find the specified file. Make sure the path and filename are correct.");
    case MciDuplicateAlias:
        return QStringLiteral("The device name is already in use. Close that device first.");
    case MciNoClosingQuote:
        return QStringLiteral("A quoted name in the media command has no closing quote.");
    case MciInvalidFile:
        return QStringLiteral("The file cannot be played. It may be unreadable, damaged or not in a supported format.");
    case MciMissingDeviceName:
        return QStringLiteral("The media command does not name a device.");
    }
    return QStringLiteral("Unknown media error (code %1).").arg(result);
}

QString commandPath(const QString &path)
{
    if (path.isEmpty() || path.contains(u'"'))
        return QString();
    return u'"' + path + u'"';
}

} // namespace platform::media
