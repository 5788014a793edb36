// The notification sound through the multimedia framework, with or without a sound server.
#include "platform/sound/sound.h"

#include <QMediaPlayer>
#include <QSignalSpy>
#include <QTest>

class TestNotificationSound : public QObject {
    Q_OBJECT
private slots:
    void playsTheFileAndRestartsIt()
    {
        int beeps = 0;
        platform::sound::MediaPlayerSound sound([&] { ++beeps; });
        const QString file = QStringLiteral(DS_SOURCE_DIR "/data/sysmessage.WAV");
        sound.playFile(file);
        QTRY_VERIFY(sound.player());
        QCOMPARE(sound.player()->source(), QUrl::fromLocalFile(file));
        QTRY_COMPARE_WITH_TIMEOUT(sound.player()->mediaStatus() == QMediaPlayer::EndOfMedia
                                      || sound.player()->playbackState() == QMediaPlayer::PlayingState,
                                  true, 5000);
        QVERIFY(sound.player()->error() == QMediaPlayer::NoError);
        // A new sound cuts the last one off and starts from the beginning.
        QSignalSpy states(sound.player(), &QMediaPlayer::playbackStateChanged);
        sound.playFile(file);
        QTRY_VERIFY(!sound.pending());
        QVERIFY(states.count() >= 1 || sound.player()->playbackState() == QMediaPlayer::PlayingState);
        QTRY_COMPARE_WITH_TIMEOUT(sound.player()->mediaStatus(), QMediaPlayer::EndOfMedia, 5000);
        QCOMPARE(beeps, 0);
    }

    // Sounds asked for in one go start once, when the program is back in its event loop.
    void missingFilePlaysTheDefaultSoundOnceABurst()
    {
        int beeps = 0;
        platform::sound::MediaPlayerSound sound([&] { ++beeps; });
        for (int i = 0; i < 1000; ++i)
            sound.playFile(QStringLiteral(DS_SOURCE_DIR "/data/no-such-sound.WAV"));
        QCOMPARE(beeps, 0);
        QTRY_COMPARE(beeps, 1);
        QTest::qWait(50);
        QCOMPARE(beeps, 1);
        QVERIFY(!sound.player());
        sound.playFile(QStringLiteral(DS_SOURCE_DIR "/data/no-such-sound.WAV"));
        QTRY_COMPARE(beeps, 2);
    }
};

QTEST_MAIN(TestNotificationSound)
#include "test_sound.moc"
