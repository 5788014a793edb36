// One driver lookup, as the main window runs it: prints its wall and CPU milliseconds, the
// process's peak resident memory in KiB, and the link found.
#include "windows/main/driverlookup.h"

#include <QElapsedTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

double cpuMilliseconds(const rusage &usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_driver_lookup DATABASE HARDWARE OS ARCHITECTURE\n");
        return 2;
    }
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer timer;
    timer.start();
    const auto link = findDriverLink(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                                     QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    const double wall = double(timer.nsecsElapsed()) / 1e6;
    getrusage(RUSAGE_SELF, &after);
    std::printf("%.1f %.1f %ld %s\n", wall, cpuMilliseconds(after) - cpuMilliseconds(before), after.ru_maxrss,
                qPrintable(link.value_or(QStringLiteral("No Matches"))));
    return 0;
}
