// One driver lookup, as the main window runs it: prints the milliseconds it took and the
// process's peak resident memory in KiB.
#include "windows/main/driverlookup.h"

#include <QElapsedTimer>

#include <sys/resource.h>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_driver_lookup DATABASE HARDWARE OS ARCHITECTURE\n");
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    const auto link = findDriverLink(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                                     QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.1f %ld %s\n", ms, usage.ru_maxrss, qPrintable(link.value_or(QStringLiteral("No Matches"))));
    return 0;
}
