#include "platform/media/mci.h"
#include "tests/player/testmp3.h"
#include "tests/support/testsupport.h"
#include "windows/livehelp/mp3player.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Answers the open dialog with a prepared path and notes what it was asked.
class ScriptedDialog final : public Mp3FileDialog {
public:
    ScriptedDialog() { setMp3FileDialog(this); }
    ~ScriptedDialog() override { setMp3FileDialog(nullptr); }

    QString chooseFile(QWidget *, const QString &filter) override
    {
        filters.append(filter);
        queuedEventRanFirst = queuedEventRan;
        return answer;
    }

    QString answer;
    QStringList filters;
    bool queuedEventRan = false;
    bool queuedEventRanFirst = false;
};

struct ButtonStates {
    bool open, pauseEnabled, back, close;
    QString pauseCaption;
};

QString mode() { return testmp3::status(QStringLiteral("mode")); }
qint64 position() { return testmp3::status(QStringLiteral("position")).toLongLong(); }

} // namespace

class Mp3PlayerFrameTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString shortTone_; // 0.4 s, in a folder whose name holds blanks
    QString longTone_;  // 3 s
    std::unique_ptr<Mp3PlayerFrame> frame_;
    std::unique_ptr<ScriptedDialog> dialog_;
    std::unique_ptr<testsupport::RecordingMessageBoxes> boxes_;

    void verifyButtons(const ButtonStates &expected)
    {
        QCOMPARE(frame_->Command13->isEnabled(), expected.open);
        QCOMPARE(frame_->Command8->isEnabled(), expected.pauseEnabled);
        QCOMPARE(frame_->Command6->isEnabled(), expected.back);
        QCOMPARE(frame_->Command7->isEnabled(), expected.close);
        QCOMPARE(frame_->Command8->text(), expected.pauseCaption);
    }
    void verifyNoFile() { verifyButtons({true, false, false, false, QStringLiteral("Pause")}); }
    void verifyPlaying() { verifyButtons({false, true, true, true, QStringLiteral("Pause")}); }
    void verifyPaused() { verifyButtons({false, true, true, true, QStringLiteral("Play")}); }

    void choose(const QString &path)
    {
        dialog_->answer = path;
        QTest::mouseClick(frame_->Command13, Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("my music")));
        shortTone_ = dir_.filePath(QStringLiteral("my music/short tone.mp3"));
        longTone_ = dir_.filePath(QStringLiteral("long.mp3"));
        QString error;
        QVERIFY2(testmp3::writeTone(shortTone_, 0.4, &error), qPrintable(error));
        QVERIFY2(testmp3::writeTone(longTone_, 3, &error), qPrintable(error));
    }

    void init()
    {
        boxes_ = std::make_unique<testsupport::RecordingMessageBoxes>();
        dialog_ = std::make_unique<ScriptedDialog>();
        frame_ = std::make_unique<Mp3PlayerFrame>();
        frame_->show();
    }

    void cleanup()
    {
        frame_.reset();
        dialog_.reset();
        boxes_.reset();
        platform::media::mciSendString(QStringLiteral("close MP3Play"));
    }

    void startsWithNoFileAndCancelReturnsThere()
    {
        QCOMPARE(frame_->title(), QStringLiteral("Torvane MP3 Player 1.0"));
        QCOMPARE(frame_->Label2000->text(), QStringLiteral(" File Playing:  None"));
        QVERIFY(!frame_->Check5->isChecked());
        QVERIFY(!frame_->loopEnabled());
        QVERIFY(!frame_->Timer1->isActive());
        QCOMPARE(frame_->Timer1->interval(), 1);
        verifyNoFile();

        // The dialog is shown after pending events had their turn, with the mp3 filter.
        QMetaObject::invokeMethod(frame_.get(), [this] { dialog_->queuedEventRan = true; }, Qt::QueuedConnection);
        choose(QString());
        QVERIFY(dialog_->queuedEventRanFirst);
        QCOMPARE(dialog_->filters, QStringList{QStringLiteral("mp3 (*.mp3)")});
        verifyNoFile();
        QCOMPARE(frame_->Label2000->text(), QStringLiteral(" File Playing:  None"));
        QCOMPARE(mode(), QStringLiteral("-"));
        QVERIFY(boxes_->shown.isEmpty());
    }

    void pauseBackAndCloseFollowTheStateTable()
    {
        choose(longTone_);
        verifyPlaying();
        QCOMPARE(frame_->Label2000->text(), QStringLiteral("Current File Playing: ") + longTone_);
        QCOMPARE(frame_->player().CurrentMP3File, longTone_);
        QCOMPARE(frame_->player().outcome, QStringLiteral("Success"));
        QVERIFY(frame_->player().IsPlaying());
        QCOMPARE(frame_->player().MP3StatusBuffer, QStringLiteral("playing"));
        QTRY_VERIFY_WITH_TIMEOUT(position() > 300, 5000);

        QTest::mouseClick(frame_->Command8, Qt::LeftButton);
        verifyPaused();
        QCOMPARE(mode(), QStringLiteral("paused"));
        QVERIFY(!frame_->player().IsPlaying());
        const qint64 pausedAt = position();

        QTest::mouseClick(frame_->Command8, Qt::LeftButton);
        verifyPlaying();
        QCOMPARE(mode(), QStringLiteral("playing"));
        QTRY_VERIFY_WITH_TIMEOUT(position() > pausedAt + 100, 5000);

        // Pause then Back: from the start, and the button reads "Pause" again.
        QTest::mouseClick(frame_->Command8, Qt::LeftButton);
        const qint64 beforeBack = position();
        QTest::mouseClick(frame_->Command6, Qt::LeftButton);
        verifyPlaying();
        QCOMPARE(mode(), QStringLiteral("playing"));
        QVERIFY(position() < beforeBack);

        QTest::mouseClick(frame_->Command7, Qt::LeftButton);
        verifyNoFile();
        QCOMPARE(frame_->Label2000->text(), QStringLiteral("Current File Playing: ") + longTone_);
        QCOMPARE(mode(), QStringLiteral("-"));
        QVERIFY(boxes_->shown.isEmpty());

        // After a failed query the buffer keeps what it held.
        QVERIFY(!frame_->player().IsPlaying());
        QCOMPARE(frame_->player().MP3StatusBuffer, QStringLiteral("paused"));
    }

    void loopRestartsOnlyAFileThatIsPlaying()
    {
        // The handler called directly flips flag and box once, as a click does.
        frame_->Check5_Click();
        QVERIFY(frame_->loopEnabled());
        QVERIFY(frame_->Check5->isChecked());
        frame_->Check5_Click();
        QVERIFY(!frame_->loopEnabled());
        QVERIFY(!frame_->Check5->isChecked());

        // Loop with no file loaded: nothing happens, and the timer rests.
        QTest::mouseClick(frame_->Check5, Qt::LeftButton);
        QVERIFY(frame_->loopEnabled());
        QVERIFY(frame_->Check5->isChecked());
        QVERIFY(!frame_->Timer1->isActive());
        QTest::qWait(50);
        verifyNoFile();
        QCOMPARE(mode(), QStringLiteral("-"));

        // A loaded file that ends restarts within a tick or so (a sound server may hold the
        // end back for a while, so the watch is long enough for several rounds).
        choose(shortTone_);
        verifyPlaying();
        QVERIFY(frame_->Timer1->isActive());
        QElapsedTimer clock;
        clock.start();
        QElapsedTimer notPlaying;
        qint64 longestPause = 0;
        qint64 lastPosition = 0;
        int restarts = 0;
        while (clock.elapsed() < 4000) {
            QTest::qWait(2);
            if (mode() == QStringLiteral("playing"))
                notPlaying.invalidate();
            else if (!notPlaying.isValid())
                notPlaying.start();
            else
                longestPause = qMax(longestPause, notPlaying.elapsed());
            const qint64 now = position();
            if (now + 100 < lastPosition)
                ++restarts;
            lastPosition = now;
        }
        QVERIFY2(restarts >= 2, qPrintable(QString::number(restarts)));
        QVERIFY2(longestPause < 50, qPrintable(QString::number(longestPause)));
        verifyPlaying();

        // Loop while paused: nothing restarts; Play lets the timer watch again.
        QTest::mouseClick(frame_->Command8, Qt::LeftButton);
        QVERIFY(!frame_->Timer1->isActive());
        QTest::qWait(700);
        QCOMPARE(mode(), QStringLiteral("paused"));
        verifyPaused();
        QTest::mouseClick(frame_->Command8, Qt::LeftButton);
        QVERIFY(frame_->Timer1->isActive());
        QTest::mouseClick(frame_->Command7, Qt::LeftButton);
        QVERIFY(!frame_->Timer1->isActive());
        QVERIFY(frame_->loopEnabled());
        choose(shortTone_);
        QVERIFY(frame_->Timer1->isActive());

        // Clicking Loop again switches the loop off and clears the box; a track then stays ended.
        QTest::mouseClick(frame_->Check5, Qt::LeftButton);
        QVERIFY(!frame_->loopEnabled());
        QVERIFY(!frame_->Timer1->isActive());
        QVERIFY(!frame_->Check5->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(mode(), QStringLiteral("stopped"), 3000);
        QTest::qWait(100);
        QCOMPARE(mode(), QStringLiteral("stopped"));
        verifyPlaying(); // "Playing or ended"
    }

    void missingHiddenAndRefusedFilesStillTakeThePlayingState()
    {
        const QString gone = dir_.filePath(QStringLiteral("gone.mp3"));
        QVERIFY(QFile::copy(shortTone_, gone));
        QVERIFY(QFile::copy(shortTone_, dir_.filePath(QStringLiteral(".hidden.mp3"))));
        const QString notASound = dir_.filePath(QStringLiteral("notes.mp3"));
        QVERIFY(testmp3::writeNotASound(notASound));
        const QString noise = dir_.filePath(QStringLiteral("noise.mp3"));
        QVERIFY(testmp3::writeRandomBytes(noise));

        const struct {
            QString path;
            bool vanish;
            QString outcome; // empty: the error text of the refused open
        } cases[] = {
            {gone, true, QStringLiteral("Error with input file")},
            {dir_.filePath(QStringLiteral(".hidden.mp3")), false, QStringLiteral("Error with input file")},
            {dir_.path(), false, QStringLiteral("Error with input file")},
            {notASound, false, QString()},
            {noise, false, QString()},
        };
        for (const auto &c : cases) {
            boxes_->shown.clear();
            if (c.vanish)
                QVERIFY(QFile::remove(c.path));
            choose(c.path);
            verifyPlaying();
            QCOMPARE(frame_->Label2000->text(), QStringLiteral("Current File Playing: ") + c.path);
            QCOMPARE(mode(), QStringLiteral("-"));
            if (c.outcome.isEmpty()) {
                QCOMPARE(boxes_->shown.size(), 1);
                QCOMPARE(boxes_->shown[0].icon, app::MessageIcon::Critical);
                QVERIFY(boxes_->shown[0].title.isEmpty());
                QCOMPARE(boxes_->shown[0].text, frame_->player().outcome);
                QCOMPARE(frame_->player().outcome, platform::media::mciGetErrorString(platform::media::MciInvalidFile));
            } else {
                QVERIFY(boxes_->shown.isEmpty());
                QCOMPARE(frame_->player().outcome, c.outcome);
            }
            // Later commands fail silently.
            QTest::mouseClick(frame_->Command8, Qt::LeftButton);
            QTest::mouseClick(frame_->Command6, Qt::LeftButton);
            QTest::mouseClick(frame_->Command7, Qt::LeftButton);
            verifyNoFile();
            QCOMPARE(boxes_->shown.size(), c.outcome.isEmpty() ? 1 : 0);
        }
    }

    void pathsWithBlanksPlayAndUnwritablePathsShowTheError()
    {
        choose(shortTone_);
        QCOMPARE(frame_->player().outcome, QStringLiteral("Success"));
        QCOMPARE(mode(), QStringLiteral("playing"));
        QTest::mouseClick(frame_->Command7, Qt::LeftButton);

        const QString quoted = dir_.filePath(QStringLiteral("say \"hi\".mp3"));
        QVERIFY(QFile::copy(shortTone_, quoted));
        choose(quoted);
        verifyPlaying();
        QCOMPARE(boxes_->texts(), QStringList{platform::media::mciGetErrorString(platform::media::MciMissingParameter)});
        QCOMPARE(mode(), QStringLiteral("-"));
    }

    void everyPlayerStopsTheOneDevice()
    {
        choose(longTone_);
        QCOMPARE(mode(), QStringLiteral("playing"));
        Mp3Player mainWindowPlayer;
        QVERIFY(mainWindowPlayer.IsPlaying());
        QVERIFY(mainWindowPlayer.MP3Stop().isEmpty());
        QCOMPARE(mode(), QStringLiteral("-"));
        QVERIFY(!frame_->player().IsPlaying());
        QVERIFY(mainWindowPlayer.CurrentMP3File.isEmpty());
    }
};

QTEST_MAIN(Mp3PlayerFrameTest)
#include "test_frame.moc"
