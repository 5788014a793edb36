#include "app/links.h"

#include "app/messagebox.h"

#include <QDesktopServices>

namespace app {

namespace {
class DesktopLinks final : public LinkService {
public:
    bool open(const QUrl &url) override { return QDesktopServices::openUrl(url); }
};

DesktopLinks &desktopLinks()
{
    static DesktopLinks links;
    return links;
}

QString linkNotOpenedText(const QUrl &url)
{
    if (url.scheme() == QLatin1String("mailto"))
        return QStringLiteral("No mail program could be started to write to this address:\n\n%1\n\n"
                              "Copy the address into your mail program.")
            .arg(url.path());
    return QStringLiteral("No web browser could be started to open this address:\n\n%1\n\n"
                          "Copy the address into your web browser.")
        .arg(url.toString());
}

LinkService *&currentService()
{
    static LinkService *service = &desktopLinks();
    return service;
}
} // namespace

void openLink(const QUrl &url)
{
    if (!currentService()->open(url))
        messageBox(linkNotOpenedText(url), MessageIcon::Exclamation);
}

void setLinkService(LinkService *service)
{
    currentService() = service ? service : &desktopLinks();
}

} // namespace app
