#pragma once
#include <QString>

namespace app {

enum class MessageIcon { None, Critical, Exclamation, Information };

// The title a box shows when it has none of its own.
inline constexpr const char *kApplicationTitle = "Torvane Driver Updater";

struct MessageBoxRequest {
    QString text;
    MessageIcon icon = MessageIcon::None;
    QString title; // empty: the application title
};

// Every message box of the program goes through the current service, so tests can
// replace the modal box with a recorder and nothing ever blocks.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual void show(const MessageBoxRequest &request) = 0;
};

// Shows a modal box with an OK button.
void messageBox(const QString &text, MessageIcon icon = MessageIcon::None, const QString &title = {});

// Installs a service (nullptr restores the modal QMessageBox); the caller keeps ownership.
void setMessageBoxService(MessageBoxService *service);

} // namespace app
