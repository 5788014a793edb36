#include "app/links.h"

#include <QDesktopServices>

namespace app {

namespace {
class DesktopLinks final : public LinkService {
public:
    void open(const QUrl &url) override { QDesktopServices::openUrl(url); }
};

DesktopLinks &desktopLinks()
{
    static DesktopLinks links;
    return links;
}

LinkService *&currentService()
{
    static LinkService *service = &desktopLinks();
    return service;
}
} // namespace

void openLink(const QUrl &url)
{
    currentService()->open(url);
}

void setLinkService(LinkService *service)
{
    currentService() = service ? service : &desktopLinks();
}

} // namespace app
