#pragma once
#include <QApplication>
#include <QString>

#include <exception>
#include <stdexcept>
#include <utility>

namespace app {

// A failure whose text tells the user what went wrong and what to do about it.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString &text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString &text() const { return text_; }

private:
    QString text_;
};

// The program-wide handling of unhandled failures: the failure is shown in a message box
// (critical icon, application title) and the program goes on.
void reportUnhandledFailure(std::exception_ptr failure);

// Runs one event handler; a failing step ends the handler and is reported as above.
template<class Handler> void runHandler(Handler &&handler)
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        reportUnhandledFailure(std::current_exception());
    }
}

// The window program's application. Last line of defence: a failure escaping any event handler
// is reported, never fatal. A request of the system to end closes every window (endsignals.h).
class Application : public QApplication {
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace app
