// The Live Help window against a loopback server that sends, in one go, 50,000 three-character
// messages, then one message of 1 MiB without a blank; with the notification sound file in the
// application folder, as installed. Each figure beside the same text inserted into a plain text
// box, in this run.
#include "app/appfolder.h"
#include "app/forms.h"
#include "windows/livehelp/form2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <functional>
#include <fstream>
#include <string>

namespace {

constexpr int kBurstLines = 50000;

long statusKiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return 0;
}

void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Runs the event loop until the condition holds; returns the longest time one turn of the loop
// took meanwhile, in milliseconds.
double runUntil(const std::function<bool()> &condition)
{
    QElapsedTimer turn;
    turn.start();
    double longest = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        longest = std::max(longest, turn.nsecsElapsed() / 1e6);
        turn.restart();
    });
    watch.start(0);
    while (!condition())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return longest;
}

double plainSeconds(const QString &text, QTextOption::WrapMode wrap)
{
    QTextEdit plain;
    plain.resize(600, 400);
    plain.show();
    plain.setWordWrapMode(wrap);
    plain.document()->setUndoRedoEnabled(false);
    QElapsedTimer timer;
    timer.start();
    for (const QString &line : text.split(u'\n'))
        plain.insertPlainText(line + u'\n');
    QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QTemporaryDir folder;
    QFile::copy(QStringLiteral(DS_DATA_DIR "/sysmessage.WAV"), folder.filePath(QStringLiteral("sysmessage.WAV")));
    app::setApplicationFolder(folder.path());

    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    Form2 *form = app::Forms::show<Form2>();
    if (!form) {
        std::fprintf(stderr, "the Live Help window did not open\n");
        return 1;
    }
    form->txtServer->setText(QStringLiteral("127.0.0.1"));
    form->txtPort->setText(QString::number(server.serverPort()));
    form->cmdConnect->click();
    server.waitForNewConnection(5000);
    QTcpSocket *peer = server.nextPendingConnection();
    QTextDocument *transcript = form->rtbChat->document();
    runUntil([&] { return transcript->blockCount() >= 4; }); // connecting, welcome, connected
    QElapsedTimer settle;
    settle.start();
    runUntil([&] { return settle.elapsed() > 500; });

    QByteArray burst;
    QString burstText;
    for (int i = 0; i < kBurstLines; ++i) {
        const QByteArray text = QByteArray::number(i % 1000).rightJustified(3, '0');
        burst += "MSG\x02Srv\x02" + text + '\x04';
        burstText += QStringLiteral("Srv: ") + QString::fromLatin1(text) + u'\n';
    }
    const int before = transcript->blockCount();
    const long rssBefore = statusKiB("VmRSS:");
    resetPeakMemory();
    QElapsedTimer timer;
    timer.start();
    peer->write(burst);
    const double longestTurn = runUntil([&] { return transcript->blockCount() >= before + kBurstLines; });
    const double burstSeconds = timer.nsecsElapsed() / 1e9;
    const long peak = statusKiB("VmHWM:") - rssBefore;
    runUntil([&] { return timer.elapsed() > burstSeconds * 1000 + 2000; });
    const long after = statusKiB("VmRSS:") - rssBefore;
    const double burstPlain = plainSeconds(burstText.chopped(1), QTextOption::WrapAtWordBoundaryOrAnywhere);
    std::printf("burst of %d three-character messages (%lld kB): all shown in %.2f s (aim under 5 s: %s), longest turn of "
                "the event loop %.0f ms; memory +%.0f MB at the peak, +%.0f MB 2 s later (aim under 100 MB: %s); the same "
                "lines as plain-text inserts: %.2f s; ratio %.1f\n",
                kBurstLines, static_cast<long long>(burst.size() / 1000), burstSeconds, burstSeconds < 5 ? "met" : "NOT met",
                longestTurn, peak / 1024.0, after / 1024.0, peak < 100 * 1024 ? "met" : "NOT met", burstPlain,
                burstSeconds / burstPlain);

    const int beforeLong = transcript->blockCount();
    const QByteArray word(1024 * 1024 - 16, 'w');
    timer.restart();
    peer->write("MSG\x02Srv\x02" + word + '\x04');
    const double longTurn = runUntil([&] { return transcript->blockCount() > beforeLong; });
    const double longSeconds = timer.nsecsElapsed() / 1e9;
    const double longPlain = plainSeconds(QStringLiteral("Srv: ") + QString::fromLatin1(word), QTextOption::WrapAnywhere);
    std::printf("one message of 1 MiB without a blank: shown in %.0f ms (aim well under 1 s: %s), longest turn %.0f ms; "
                "plain-text insert of the same with break-anywhere wrapping: %.0f ms; ratio %.1f\n",
                longSeconds * 1000, longSeconds < 0.7 ? "met" : "NOT met", longTurn, longPlain * 1000, longSeconds / longPlain);
    app::Forms::unload(form);
    return 0;
}
