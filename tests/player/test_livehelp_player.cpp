#include "tests/player/testmp3.h"
#include "tests/support/testsupport.h"
#include "windows/livehelp/form2.h"
#include "windows/livehelp/mp3player.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
class FixedDialog final : public Mp3FileDialog {
public:
    explicit FixedDialog(QString file) : file_(std::move(file)) { setMp3FileDialog(this); }
    ~FixedDialog() override { setMp3FileDialog(nullptr); }
    QString chooseFile(QWidget *, const QString &) override { return file_; }

private:
    QString file_;
};
} // namespace

// The player inside the Live Help window: it plays there, and the window stops it when it
// loads and when it closes, whichever window started the device.
class LiveHelpPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void theLiveHelpWindowStartsAndStopsThePlayback()
    {
        testsupport::TemporaryApplicationFolder folder;
        testsupport::RecordingMessageBoxes boxes;
        QTemporaryDir dir;
        const QString tone = dir.filePath(QStringLiteral("five seconds.mp3"));
        QString error;
        QVERIFY2(testmp3::writeTone(tone, 5, &error), qPrintable(error));
        FixedDialog dialog(tone);

        // Playback left over from elsewhere stops when the window loads.
        Mp3Player elsewhere;
        elsewhere.MP3Play(tone);
        QCOMPARE(testmp3::status(QStringLiteral("mode")), QStringLiteral("playing"));
        Form2 *window = app::Forms::show<Form2>();
        QVERIFY(window);
        QCOMPARE(testmp3::status(QStringLiteral("mode")), QStringLiteral("-"));

        QVERIFY(window->Frame3->isVisible());
        QTest::mouseClick(window->Frame3->Command13, Qt::LeftButton);
        QCOMPARE(window->Frame3->player().outcome, QStringLiteral("Success"));
        QTRY_VERIFY_WITH_TIMEOUT(testmp3::status(QStringLiteral("position")).toLongLong() > 200, 5000);

        app::Forms::unload(window);
        QCOMPARE(testmp3::status(QStringLiteral("mode")), QStringLiteral("-"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(boxes.shown.isEmpty());
    }
};

QTEST_MAIN(LiveHelpPlayerTest)
#include "test_livehelp_player.moc"
