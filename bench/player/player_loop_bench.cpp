// Measures the CPU time the MP3 player's process takes over a span of seconds in one
// situation, and prints it in milliseconds:
//   player_loop_bench nofile|playing|paused on|off SECONDS [FILE]
// (the player's state, then whether Loop is ticked).
#include "app/failures.h"
#include "windows/livehelp/mp3player.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

namespace {

class FixedDialog final : public Mp3FileDialog {
public:
    explicit FixedDialog(QString file) : file_(std::move(file)) {}
    QString chooseFile(QWidget *, const QString &) override { return file_; }

private:
    QString file_;
};

double cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval &t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

} // namespace

int main(int argc, char **argv)
{
    app::Application application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() < 4) {
        QTextStream(stderr) << "usage: player_loop_bench nofile|playing|paused on|off SECONDS [FILE]\n";
        return 2;
    }
    const QString state = args[1];
    const bool loop = args[2] == QLatin1String("on");
    const int seconds = args[3].toInt();
    FixedDialog dialog(args.value(4));
    setMp3FileDialog(&dialog);

    Mp3PlayerFrame frame;
    frame.show();
    if (state != QLatin1String("nofile")) {
        frame.Command13_Click();
        QElapsedTimer waited;
        waited.start();
        while (!frame.player().IsPlaying() && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!frame.player().IsPlaying()) {
            QTextStream(stderr) << "the file did not start: " << frame.player().outcome << "\n";
            return 1;
        }
        if (state == QLatin1String("paused"))
            frame.Command8_Click();
    }
    if (loop)
        frame.Check5_Click();

    // Let start-up work settle before measuring.
    double start = 0;
    QTimer::singleShot(1000, [&] {
        start = cpuMilliseconds();
        QTimer::singleShot(seconds * 1000, [&] { application.quit(); });
    });
    application.exec();
    QTextStream(stdout) << qRound(cpuMilliseconds() - start) << "\n";
    frame.player().MP3Stop();
    return 0;
}
