#include "platform/media/mci.h"
#include "tests/player/testmp3.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace platform::media;

class MediaCommandsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString tone_; // 0.6 s, in a folder whose name holds blanks

    static qint64 position() { return testmp3::status(QStringLiteral("position")).toLongLong(); }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("my music")));
        tone_ = dir_.filePath(QStringLiteral("my music/a tone.mp3"));
        QString error;
        QVERIFY2(testmp3::writeTone(tone_, 0.6, &error), qPrintable(error));
    }

    void cleanup() { mciSendString(QStringLiteral("close MP3Play")); }

    void refusedCommandsGiveTheirCodesAndLeaveTheReply()
    {
        const QString notASound = dir_.filePath(QStringLiteral("notes.mp3"));
        QVERIFY(testmp3::writeNotASound(notASound));
        const QString noise = dir_.filePath(QStringLiteral("noise.mp3"));
        QVERIFY(testmp3::writeRandomBytes(noise));

        const struct {
            QString command;
            unsigned code;
        } cases[] = {
            {QString(), MciMissingCommandString},
            {QStringLiteral("   "), MciMissingCommandString},
            {QStringLiteral("rewind MP3Play"), MciUnrecognizedCommand},
            {QStringLiteral("play"), MciMissingDeviceName},
            {QStringLiteral("status MP3Play mode"), MciInvalidDeviceName},
            {QStringLiteral("stop MP3Play"), MciInvalidDeviceName},
            {QStringLiteral("open  type MPEGVideo Alias MP3Play"), MciMissingParameter},
            {QStringLiteral("open \"\" type MPEGVideo Alias MP3Play"), MciMissingParameter},
            {QStringLiteral("open \"") + tone_ + QStringLiteral(" type MPEGVideo Alias MP3Play"), MciNoClosingQuote},
            // Unquoted, a path with blanks falls apart into words.
            {QStringLiteral("open ") + tone_ + QStringLiteral(" type MPEGVideo Alias MP3Play"), MciUnrecognizedKeyword},
            {QStringLiteral("open \"") + dir_.filePath(QStringLiteral("gone.mp3")) + QStringLiteral("\" type MPEGVideo Alias MP3Play"), MciFileNotFound},
            {QStringLiteral("open \"") + dir_.path() + QStringLiteral("\" type MPEGVideo Alias MP3Play"), MciFileNotFound},
            {QStringLiteral("open \"") + notASound + QStringLiteral("\" type MPEGVideo Alias MP3Play"), MciInvalidFile},
            {QStringLiteral("open \"") + noise + QStringLiteral("\" type MPEGVideo Alias MP3Play"), MciInvalidFile},
            {QStringLiteral("open \"") + tone_ + QStringLiteral("\" type WaveAudio Alias MP3Play"), MciInvalidDeviceName},
            {QStringLiteral("open \"") + tone_ + QStringLiteral("\" type MPEGVideo Alias"), MciMissingParameter},
            {QStringLiteral("open \"") + tone_ + QStringLiteral("\" type MPEGVideo Shortcut MP3Play"), MciUnrecognizedKeyword},
        };
        for (const auto &c : cases) {
            QString reply = QStringLiteral("earlier");
            QCOMPARE(mciSendString(c.command, &reply), c.code);
            QCOMPARE(reply, QStringLiteral("earlier"));
        }

        QVERIFY(commandPath(QString()).isEmpty());
        QVERIFY(commandPath(QStringLiteral("/tmp/say \"hi\".mp3")).isEmpty());
        QCOMPARE(commandPath(QStringLiteral("/tmp/a b.mp3")), QStringLiteral("\"/tmp/a b.mp3\""));

        const QString opened = QStringLiteral("open ") + commandPath(tone_) + QStringLiteral(" type MPEGVideo Alias MP3Play");
        QCOMPARE(mciSendString(opened), 0u);
        QCOMPARE(mciSendString(opened), unsigned(MciDuplicateAlias));
        QCOMPARE(mciSendString(QStringLiteral("play MP3Play from -5")), unsigned(MciBadInteger));
        QCOMPARE(mciSendString(QStringLiteral("play MP3Play from")), unsigned(MciMissingParameter));
        QCOMPARE(mciSendString(QStringLiteral("play MP3Play to 5")), unsigned(MciUnrecognizedKeyword));
        QCOMPARE(mciSendString(QStringLiteral("status MP3Play")), unsigned(MciMissingParameter));
        QCOMPARE(mciSendString(QStringLiteral("status MP3Play volume")), unsigned(MciUnrecognizedKeyword));
        QCOMPARE(mciSendString(QStringLiteral("pause MP3Play now")), unsigned(MciUnrecognizedKeyword));
    }

    void soundFilesOpenWhateverTheirStart()
    {
        // A tagged file, and one with bytes no known type starts with before its frames.
        const QString tagged = dir_.filePath(QStringLiteral("tagged.mp3"));
        QProcess lame;
        lame.start(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("--id3v2-only"), QStringLiteral("--tt"),
                                            QStringLiteral("Tone"), QStringLiteral("--mp3input"), tone_, tagged});
        QVERIFY(lame.waitForFinished(30000) && lame.exitCode() == 0);
        QFile source(tone_);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QFile junk(dir_.filePath(QStringLiteral("junk start.mp3")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(700, '\0') + source.readAll());
        junk.close();

        for (const QString &file : {tagged, junk.fileName()}) {
            QCOMPARE(mciSendString(QStringLiteral("open ") + commandPath(file) + QStringLiteral(" type MPEGVideo Alias MP3Play")), 0u);
            QCOMPARE(mciSendString(QStringLiteral("play MP3Play")), 0u);
            QTRY_VERIFY_WITH_TIMEOUT(position() > 100, 5000);
            QCOMPARE(mciSendString(QStringLiteral("close MP3Play")), 0u);
        }
    }

    void everyCodeHasItsOwnText()
    {
        QVERIFY(mciGetErrorString(0).isEmpty());
        const unsigned codes[] = {MciUnrecognizedKeyword, MciUnrecognizedCommand, MciInvalidDeviceName, MciNoPlaybackSystem,
                                  MciMissingCommandString, MciBadInteger, MciMissingParameter, MciFileNotFound,
                                  MciDuplicateAlias, MciNoClosingQuote, MciInvalidFile, MciMissingDeviceName};
        QSet<QString> texts;
        for (unsigned code : codes) {
            const QString text = mciGetErrorString(code);
            QVERIFY2(!text.isEmpty() && text.size() < 128, qPrintable(text));
            texts.insert(text);
        }
        QCOMPARE(texts.size(), qsizetype(std::size(codes)));
        QVERIFY(mciGetErrorString(1234).contains(QStringLiteral("1234")));
    }

    void playsPausesRestartsAndEnds()
    {
        QCOMPARE(mciSendString(QStringLiteral("open ") + commandPath(tone_) + QStringLiteral(" type MPEGVideo Alias MP3Play")), 0u);
        QCOMPARE(testmp3::status(QStringLiteral("mode")), QStringLiteral("stopped"));
        QCOMPARE(mciSendString(QStringLiteral("play MP3Play")), 0u);
        QCOMPARE(testmp3::status(QStringLiteral("mode")), QStringLiteral("playing"));
        QTRY_VERIFY_WITH_TIMEOUT(position() > 150, 5000);

        QCOMPARE(mciSendString(QStringLiteral("pause MP3Play")), 0u);
        QCOMPARE(testmp3::status(QStringLiteral("mode")), QStringLiteral("paused"));
        const qint64 pausedAt = position();
        QTest::qWait(200);
        QVERIFY(qAbs(position() - pausedAt) < 30);

        // Aliases are one device for the whole process, whatever their case.
        QCOMPARE(mciSendString(QStringLiteral("STOP mp3play")), 0u);
        QCOMPARE(testmp3::status(QStringLiteral("mode")), QStringLiteral("stopped"));
        QCOMPARE(mciSendString(QStringLiteral("play MP3Play from 0")), 0u);
        QCOMPARE(testmp3::status(QStringLiteral("mode")), QStringLiteral("playing"));
        QVERIFY(position() < pausedAt);

        // The track ends by itself.
        QTRY_COMPARE_WITH_TIMEOUT(testmp3::status(QStringLiteral("mode")), QStringLiteral("stopped"), 5000);
        QVERIFY(testmp3::status(QStringLiteral("length")).toLongLong() >= 550);

        QCOMPARE(mciSendString(QStringLiteral("close MP3Play")), 0u);
        QCOMPARE(mciSendString(QStringLiteral("status MP3Play mode")), unsigned(MciInvalidDeviceName));
    }
};

QTEST_GUILESS_MAIN(MediaCommandsTest)
#include "test_commands.moc"
