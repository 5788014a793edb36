#include "app/messagebox.h"

#include <QApplication>
#include <QMessageBox>

namespace app {

namespace {

class ModalMessageBoxes final : public MessageBoxService {
public:
    void show(const MessageBoxRequest &request) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(request.title.isEmpty() ? QString::fromLatin1(kApplicationTitle) : request.title);
        box.setText(request.text);
        box.setStandardButtons(QMessageBox::Ok);
        switch (request.icon) {
        case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        case MessageIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
        }
        box.exec();
    }
};

MessageBoxService *&currentService()
{
    static ModalMessageBoxes modal;
    static MessageBoxService *service = &modal;
    return service;
}

} // namespace

void messageBox(const QString &text, MessageIcon icon, const QString &title)
{
    currentService()->show({text, icon, title});
}

void setMessageBoxService(MessageBoxService *service)
{
    static ModalMessageBoxes modal;
    currentService() = service ? service : &modal;
}

} // namespace app
