#include "app/failures.h"

#include "app/endsignals.h"
#include "app/messagebox.h"

#include <QIcon>

#include <new>

namespace app {

void reportUnhandledFailure(std::exception_ptr failure)
{
    QString text;
    try {
        std::rethrow_exception(failure);
    } catch (const Failure &f) {
        text = f.text();
    } catch (const std::bad_alloc &) {
        text = QStringLiteral("The program ran out of memory. Close other programs and try again.");
    } catch (const std::exception &e) {
        text = QStringLiteral("An unexpected error occurred: %1").arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        text = QStringLiteral("An unexpected error occurred.");
    }
    messageBox(text, MessageIcon::Critical);
}

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    closeWindowsOnEndSignals();
    // Every window shows the program's icon, in the sizes the desktop asks for.
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportUnhandledFailure(std::current_exception());
        return false;
    }
}

} // namespace app
