// Win32_Printer from the CUPS print server on this computer (libcups). Only a local server is
// asked, with a short timeout: a print server elsewhere on the network is not queried.
#include "platform/linux/sources.h"

#include <cups/cups.h>

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <arpa/inet.h>
#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::linuxhw {

namespace {

struct Printer {
    QString name, info, location, makeAndModel, uri;
    int state = 0;
    bool shared = false;
};

// libcups, opened when there is a print service to ask: the library and the network and
// security libraries it brings cost a command-line inventory more than the rest of its start.
struct Cups {
    decltype(&::cupsSetServer) cupsSetServer;
    decltype(&::cupsServer) cupsServer;
    decltype(&::ippPort) ippPort;
    decltype(&::httpConnect2) httpConnect2;
    decltype(&::httpSetTimeout) httpSetTimeout;
    decltype(&::httpClose) httpClose;
    decltype(&::ippNewRequest) ippNewRequest;
    decltype(&::ippAddStrings) ippAddStrings;
    decltype(&::cupsDoRequest) cupsDoRequest;
    decltype(&::ippFirstAttribute) ippFirstAttribute;
    decltype(&::ippNextAttribute) ippNextAttribute;
    decltype(&::ippGetName) ippGetName;
    decltype(&::ippGetGroupTag) ippGetGroupTag;
    decltype(&::ippGetString) ippGetString;
    decltype(&::ippGetInteger) ippGetInteger;
    decltype(&::ippGetBoolean) ippGetBoolean;
    decltype(&::ippDelete) ippDelete;
    decltype(&::cupsGetDefault2) cupsGetDefault2;
};

// Nothing when the library is not installed.
const Cups *cupsLibrary()
{
    static const std::optional<Cups> library = []() -> std::optional<Cups> {
        void *handle = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return std::nullopt;
        bool complete = true;
        auto find = [&](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
            complete = complete && function;
        };
        Cups cups{};
        find(cups.cupsSetServer, "cupsSetServer");
        find(cups.cupsServer, "cupsServer");
        find(cups.ippPort, "ippPort");
        find(cups.httpConnect2, "httpConnect2");
        find(cups.httpSetTimeout, "httpSetTimeout");
        find(cups.httpClose, "httpClose");
        find(cups.ippNewRequest, "ippNewRequest");
        find(cups.ippAddStrings, "ippAddStrings");
        find(cups.cupsDoRequest, "cupsDoRequest");
        find(cups.ippFirstAttribute, "ippFirstAttribute");
        find(cups.ippNextAttribute, "ippNextAttribute");
        find(cups.ippGetName, "ippGetName");
        find(cups.ippGetGroupTag, "ippGetGroupTag");
        find(cups.ippGetString, "ippGetString");
        find(cups.ippGetInteger, "ippGetInteger");
        find(cups.ippGetBoolean, "ippGetBoolean");
        find(cups.ippDelete, "ippDelete");
        find(cups.cupsGetDefault2, "cupsGetDefault2");
        return complete ? std::optional<Cups>(cups) : std::nullopt;
    }();
    return library ? &*library : nullptr;
}

// Loopback answers at once, with a connection or a refusal; a firewall that drops instead is
// waited for briefly.
bool acceptsConnections(const sockaddr *address, socklen_t length)
{
    const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool accepted = ::connect(fd, address, length) == 0;
    if (!accepted && errno == EINPROGRESS) {
        pollfd waiting{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        accepted = ::poll(&waiting, 1, 100) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    ::close(fd);
    return accepted;
}

// Whether anything points to a print service: a server named in the environment or a client
// configuration (libcups then decides where it is), the scheduler's local socket, or a
// listener on this computer's IPP port. Only then is libcups worth opening.
bool printServiceSigns()
{
    if (qEnvironmentVariableIsSet("CUPS_SERVER") || QFileInfo::exists(QDir::homePath() + QStringLiteral("/.cups/client.conf"))
        || QFileInfo::exists(QStringLiteral("/etc/cups/client.conf")) || QFileInfo::exists(QStringLiteral("/run/cups/cups.sock"))
        || QFileInfo::exists(QStringLiteral("/var/run/cups/cups.sock")))
        return true;
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("IPP_PORT", &ok);
    const quint16 ippPort = quint16(ok && port > 0 && port < 65536 ? port : 631);
    sockaddr_in ipv4{};
    ipv4.sin_family = AF_INET;
    ipv4.sin_port = htons(ippPort);
    ipv4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in6 ipv6{};
    ipv6.sin6_family = AF_INET6;
    ipv6.sin6_port = htons(ippPort);
    ipv6.sin6_addr = in6addr_loopback;
    return acceptsConnections(reinterpret_cast<const sockaddr *>(&ipv4), sizeof ipv4)
        || acceptsConnections(reinterpret_cast<const sockaddr *>(&ipv6), sizeof ipv6);
}

bool isLocalServer(const QString &server)
{
    return server.startsWith(QLatin1Char('/')) || server == QLatin1String("localhost") || server == QLatin1String("127.0.0.1")
        || server == QLatin1String("::1") || server == QLatin1String("[::1]");
}

int timeoutExpired(http_t *, void *)
{
    return 0;
}

std::vector<Printer> queryPrinters(const Cups &cups, http_t *http)
{
    std::vector<Printer> printers;
    static const char *const attributes[] = {"printer-name", "printer-info", "printer-location", "printer-make-and-model",
                                             "device-uri", "printer-state", "printer-is-shared"};
    ipp_t *request = cups.ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    cups.ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(sizeof attributes / sizeof *attributes), nullptr, attributes);
    ipp_t *response = cups.cupsDoRequest(http, request, "/");
    if (!response)
        return printers;
    Printer current;
    auto finish = [&] {
        if (!current.name.isEmpty())
            printers.push_back(current);
        current = Printer();
    };
    for (ipp_attribute_t *attribute = cups.ippFirstAttribute(response); attribute; attribute = cups.ippNextAttribute(response)) {
        const char *name = cups.ippGetName(attribute);
        if (!name) {
            finish();
            continue;
        }
        if (cups.ippGetGroupTag(attribute) != IPP_TAG_PRINTER)
            continue;
        const QString key = QString::fromUtf8(name);
        auto text = [&] { return QString::fromUtf8(cups.ippGetString(attribute, 0, nullptr)); };
        if (key == QLatin1String("printer-name"))
            current.name = text();
        else if (key == QLatin1String("printer-info"))
            current.info = text();
        else if (key == QLatin1String("printer-location"))
            current.location = text();
        else if (key == QLatin1String("printer-make-and-model"))
            current.makeAndModel = text();
        else if (key == QLatin1String("device-uri"))
            current.uri = text();
        else if (key == QLatin1String("printer-state"))
            current.state = cups.ippGetInteger(attribute, 0);
        else if (key == QLatin1String("printer-is-shared"))
            current.shared = cups.ippGetBoolean(attribute, 0) != 0;
    }
    finish();
    cups.ippDelete(response);
    return printers;
}

} // namespace

std::vector<WmiObject> printers(const SysRoot &root)
{
    if (!printServiceSigns())
        return {}; // no print service on this computer: no printers
    const Cups *library = cupsLibrary();
    if (!library)
        throw WmiError(QStringLiteral("The printers cannot be listed: the CUPS client library (libcups2) is not installed"));
    const Cups &cups = *library;
    // libcups keeps the server it found first; forget it so each enumeration reads the
    // configuration (CUPS_SERVER, client.conf) afresh.
    cups.cupsSetServer(nullptr);
    const QString server = QString::fromUtf8(cups.cupsServer());
    if (!isLocalServer(server))
        throw WmiError(QStringLiteral("The printers are kept by the print server \"%1\", which is not on this computer and is not queried").arg(server));
    http_t *http = cups.httpConnect2(cups.cupsServer(), cups.ippPort(), nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1, 500, nullptr);
    if (!http)
        return {}; // no print service running: no printers
    cups.httpSetTimeout(http, 2.0, timeoutExpired, nullptr);
    const std::vector<Printer> found = queryPrinters(cups, http);
    const char *defaultName = cups.cupsGetDefault2(http);
    const QString defaultPrinter = defaultName ? QString::fromUtf8(defaultName) : QString();
    cups.httpClose(http);

    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const Printer &printer : found) {
        const QString caption = printer.info.isEmpty() ? printer.name : printer.info;
        const QString scheme = QUrl(printer.uri).scheme();
        const bool network = scheme == QLatin1String("ipp") || scheme == QLatin1String("ipps") || scheme == QLatin1String("socket")
            || scheme == QLatin1String("lpd") || scheme == QLatin1String("dnssd") || scheme == QLatin1String("smb")
            || scheme == QLatin1String("http") || scheme == QLatin1String("https");
        Instance instance(QStringLiteral("Win32_Printer"));
        instance.text(QStringLiteral("Caption"), caption);
        instance.text(QStringLiteral("Name"), caption);
        instance.text(QStringLiteral("Description"), printer.info);
        instance.text(QStringLiteral("DeviceID"), printer.name);
        instance.text(QStringLiteral("Comment"), printer.info);
        instance.text(QStringLiteral("Location"), printer.location);
        instance.text(QStringLiteral("DriverName"), printer.makeAndModel);
        instance.text(QStringLiteral("PortName"), printer.uri);
        instance.text(QStringLiteral("ShareName"), printer.shared ? printer.name : QString());
        instance.flag(QStringLiteral("Shared"), printer.shared);
        instance.flag(QStringLiteral("Default"), printer.name == defaultPrinter);
        instance.flag(QStringLiteral("Network"), network);
        instance.flag(QStringLiteral("Local"), !network);
        instance.flag(QStringLiteral("WorkOffline"), printer.state == 5);
        // printer-state 3 idle, 4 processing, 5 stopped → 3 idle, 4 printing, 7 offline.
        instance.number(QStringLiteral("PrinterStatus"),
                        printer.state == 3 ? std::optional<qint64>(3)
                        : printer.state == 4 ? std::optional<qint64>(4)
                        : printer.state == 5 ? std::optional<qint64>(7)
                                             : std::nullopt);
        instance.text(QStringLiteral("Status"), printer.state == 5 ? QStringLiteral("Degraded") : QStringLiteral("OK"));
        ownedByComputer(instance, system);
        result.push_back(instance.object());
    }
    return result;
}

} // namespace platform::linuxhw
