// A reference Live Help chat server: one room on one TCP port.
#include "chatroom.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("livehelp-server"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Live Help chat server: one room, the Live Help frames over TCP."));
    options.addHelpOption();
    QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                            QStringLiteral("TCP port to listen on (0 picks a free one)."), QStringLiteral("port"),
                            QStringLiteral("1234"));
    QCommandLineOption listen({QStringLiteral("l"), QStringLiteral("listen")},
                              QStringLiteral("Address to listen on, for instance 0.0.0.0 for every interface."),
                              QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    options.addOption(port);
    options.addOption(listen);
    options.process(application);

    bool portOk = false;
    const uint portNumber = options.value(port).toUInt(&portOk);
    const QHostAddress address(options.value(listen));
    if (!portOk || portNumber > 65535 || address.isNull()) {
        std::fprintf(stderr, "livehelp-server: give a port from 0 to 65535 and an IP address to listen on\n");
        return 2;
    }

    ChatRoom room;
    if (!room.listen(address, static_cast<quint16>(portNumber))) {
        std::fprintf(stderr, "livehelp-server: cannot listen on %s:%u: %s\n", qPrintable(address.toString()), portNumber,
                     qPrintable(room.errorString()));
        return 1;
    }
    return application.exec();
}
