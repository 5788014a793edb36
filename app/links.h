#pragma once
#include <QUrl>

namespace app {

// Opens web pages and mail links in the user's programs; the result is not examined.
class LinkService {
public:
    virtual ~LinkService() = default;
    virtual void open(const QUrl &url) = 0;
};

void openLink(const QUrl &url);

// Installs a service (nullptr restores the desktop's); the caller keeps ownership.
void setLinkService(LinkService *service);

// The maker's addresses, opened through openLink.
inline constexpr const char *kSupportForumUrl = "http://forums.torvane.example/index.php";
inline constexpr const char *kHomePageUrl = "http://www.torvane.example/shieldkin/";

} // namespace app
