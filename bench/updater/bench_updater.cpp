// Downloads one file through the Updater's database download (QNetworkAccessManager, chunk by
// chunk into DatabaseMain1.mdb, then the driver-database check) and prints the bytes written and
// the process's peak memory: "<bytes> <peak KiB>". The file is no database, so the check refuses
// it and the download is removed again; the bytes are those the download reported written.
#include "windows/updater/databaseupdate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>

namespace {
qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const auto match = QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+)")).match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_updater URL FOLDER\n");
        return 2;
    }
    const DatabaseFiles files = DatabaseFiles::inFolder(QString::fromLocal8Bit(argv[2]));
    DatabaseUpdate update(files);
    qint64 written = 0;
    QObject::connect(&update, &DatabaseUpdate::progressChanged, &application,
                     [&](qint64 received, std::optional<qint64>) { written = received; });
    // The file is no driver database, so the run ends with the check's refusal.
    QObject::connect(&update, &DatabaseUpdate::failed, &application, [&](const QString &text) {
        if (!text.startsWith(QLatin1String("The downloaded file is not a usable driver database")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
        application.quit();
    });
    QObject::connect(&update, &DatabaseUpdate::installed, &application, &QCoreApplication::quit);
    update.start(QUrl(QString::fromLocal8Bit(argv[1])));
    application.exec();
    std::printf("%lld %lld\n", static_cast<long long>(written), static_cast<long long>(peakResidentKiB()));
    return 0;
}
