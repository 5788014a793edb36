// Win32_Printer from the CUPS print server on this computer (libcups). Only a local server is
// asked, with a short timeout: a print server elsewhere on the network is not queried.
#include "platform/linux/sources.h"

#include <cups/cups.h>

#include <QUrl>

namespace platform::linuxhw {

namespace {

struct Printer {
    QString name, info, location, makeAndModel, uri;
    int state = 0;
    bool shared = false;
};

bool isLocalServer(const QString &server)
{
    return server.startsWith(QLatin1Char('/')) || server == QLatin1String("localhost") || server == QLatin1String("127.0.0.1")
        || server == QLatin1String("::1") || server == QLatin1String("[::1]");
}

int timeoutExpired(http_t *, void *)
{
    return 0;
}

std::vector<Printer> queryPrinters(http_t *http)
{
    std::vector<Printer> printers;
    static const char *const attributes[] = {"printer-name", "printer-info", "printer-location", "printer-make-and-model",
                                             "device-uri", "printer-state", "printer-is-shared"};
    ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(sizeof attributes / sizeof *attributes), nullptr, attributes);
    ipp_t *response = cupsDoRequest(http, request, "/");
    if (!response)
        return printers;
    Printer current;
    auto finish = [&] {
        if (!current.name.isEmpty())
            printers.push_back(current);
        current = Printer();
    };
    for (ipp_attribute_t *attribute = ippFirstAttribute(response); attribute; attribute = ippNextAttribute(response)) {
        const char *name = ippGetName(attribute);
        if (!name) {
            finish();
            continue;
        }
        if (ippGetGroupTag(attribute) != IPP_TAG_PRINTER)
            continue;
        const QString key = QString::fromUtf8(name);
        auto text = [&] { return QString::fromUtf8(ippGetString(attribute, 0, nullptr)); };
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
            current.state = ippGetInteger(attribute, 0);
        else if (key == QLatin1String("printer-is-shared"))
            current.shared = ippGetBoolean(attribute, 0) != 0;
    }
    finish();
    ippDelete(response);
    return printers;
}

} // namespace

std::vector<WmiObject> printers(const SysRoot &root)
{
    // libcups keeps the server it found first; forget it so each enumeration reads the
    // configuration (CUPS_SERVER, client.conf) afresh.
    cupsSetServer(nullptr);
    const QString server = QString::fromUtf8(cupsServer());
    if (!isLocalServer(server))
        throw WmiError(QStringLiteral("The printers are kept by the print server \"%1\", which is not on this computer and is not queried").arg(server));
    http_t *http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1, 500, nullptr);
    if (!http)
        return {}; // no print service running: no printers
    httpSetTimeout(http, 2.0, timeoutExpired, nullptr);
    const std::vector<Printer> found = queryPrinters(http);
    const char *defaultName = cupsGetDefault2(http);
    const QString defaultPrinter = defaultName ? QString::fromUtf8(defaultName) : QString();
    httpClose(http);

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
