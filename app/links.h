#pragma once
#include <QUrl>

namespace app {

// Opens web pages and mail links in the user's programs.
class LinkService {
public:
    virtual ~LinkService() = default;
    // False when no program took the address (no web browser or mail program is set up).
    virtual bool open(const QUrl &url) = 0;
};

// Opens the address; when no program takes it, a message box says so and shows the address,
// so the user can copy it by hand.
void openLink(const QUrl &url);

// Installs a service (nullptr restores the desktop's); the caller keeps ownership.
void setLinkService(LinkService *service);

// The maker's addresses, opened through openLink.
inline constexpr const char *kSupportForumUrl = "http://forums.torvane.example/index.php";
inline constexpr const char *kHomePageUrl = "http://www.torvane.example/shieldkin/";

} // namespace app
