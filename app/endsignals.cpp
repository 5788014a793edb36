#include "app/endsignals.h"

#include "app/forms.h"

#include <QCoreApplication>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace app {

#ifdef Q_OS_UNIX

namespace {

void closeEveryWindow()
{
    const QList<Form *> forms = Forms::loadedForms();
    if (forms.isEmpty())
        QCoreApplication::quit();
    for (Form *form : forms) // the oldest is the main window: its close sequence closes the rest
        Forms::unload(form);
}

int signalPipe[2] = {-1, -1};

void noteSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1); // a full pipe already holds a request
}

} // namespace

void closeWindowsOnEndSignals()
{
    // A signal handler may do almost nothing: it writes a byte, and the event loop does the closing.
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without the pipe the signals keep their default action: the program ends at once
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        closeEveryWindow();
    });
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}

#else

void closeWindowsOnEndSignals()
{
    // Other systems end a windowed program through its windows' close events.
}

#endif

} // namespace app
