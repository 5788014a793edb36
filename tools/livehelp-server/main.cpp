// A reference Live Help chat server: one room on one TCP port.
#include "chatroom.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

#include <sys/resource.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

int usageError(const QString &message)
{
    std::fprintf(stderr, "livehelp-server: %s\nTry 'livehelp-server --help' for more information.\n", qPrintable(message));
    return 2;
}

// Help and version are answers on the standard output; one that cannot be written is a failure.
int printAnswer(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "livehelp-server: the output cannot be written: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

// Every member holds a connection: take as many as the system lets this process have.
void raiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("livehelp-server"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DS_VERSION));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Live Help chat server: one room, the Live Help frames over TCP."));
    const QCommandLineOption help = options.addHelpOption();
    const QCommandLineOption version = options.addVersionOption();
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("TCP port to listen on (0 picks a free one)."), QStringLiteral("port"),
                                  QStringLiteral("1234"));
    const QCommandLineOption listen({QStringLiteral("l"), QStringLiteral("listen")},
                                    QStringLiteral("Address to listen on, for instance 0.0.0.0 for every interface."),
                                    QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    options.addOption(port);
    options.addOption(listen);
    if (!options.parse(QCoreApplication::arguments()))
        return usageError(options.errorText());
    if (options.isSet(help))
        return printAnswer(options.helpText());
    if (options.isSet(version))
        return printAnswer(QStringLiteral("livehelp-server %1\n").arg(QCoreApplication::applicationVersion()));
    if (!options.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'").arg(options.positionalArguments().first()));

    bool portOk = false;
    const uint portNumber = options.value(port).toUInt(&portOk);
    const QHostAddress address(options.value(listen));
    if (!portOk || portNumber > 65535)
        return usageError(QStringLiteral("give a port from 0 to 65535, not '%1'").arg(options.value(port)));
    if (address.isNull())
        return usageError(QStringLiteral("give an IP address to listen on, not '%1'").arg(options.value(listen)));

    raiseOpenFileLimit();
    ChatRoom room;
    if (!room.listen(address, static_cast<quint16>(portNumber))) {
        std::fprintf(stderr, "livehelp-server: cannot listen on %s:%u: %s\n", qPrintable(address.toString()), portNumber,
                     qPrintable(room.errorString()));
        return 1;
    }
    return application.exec();
}
