#include "app/forms.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace app {

namespace {
QList<QPointer<Form>> &registry()
{
    static QList<QPointer<Form>> forms;
    return forms;
}

std::function<void()> &allUnloadedCallback()
{
    static std::function<void()> callback;
    return callback;
}

// A quit asked before the event loop runs is lost (every window closed during the start-up
// scan, while the main window was still loading), and the loop, once started, would then
// never end: in that case the quit is asked again from the loop, unless a window was loaded
// meanwhile.
void endProgram()
{
    static bool waitingForLoop = false;
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::quit();
        return;
    }
    if (waitingForLoop)
        return;
    waitingForLoop = true;
    QTimer::singleShot(0, QCoreApplication::instance(), [] {
        waitingForLoop = false;
        if (registry().isEmpty())
            endProgram();
    });
}
} // namespace

Form::Form(const char *formName)
{
    setObjectName(QString::fromLatin1(formName));
    setAttribute(Qt::WA_DeleteOnClose, false);
}

Form::~Form()
{
    registry().removeAll(this);
    registry().removeAll(nullptr);
}

void Form::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (!unloading_)
        Forms::unload(this);
}

void Forms::unload(Form *form)
{
    if (!form || form->unloading_)
        return;
    form->unloading_ = true;
    form->Form_QueryUnload();
    registry().removeAll(form);
    form->hide();
    form->deleteLater();
    if (!registry().isEmpty())
        return;
    if (allUnloadedCallback())
        allUnloadedCallback()();
    endProgram();
}

QList<Form *> Forms::loadedForms()
{
    QList<Form *> forms;
    for (const auto &form : registry())
        if (form && !form->unloading_)
            forms.append(form.data());
    return forms;
}

void Forms::setOnAllUnloaded(std::function<void()> callback)
{
    allUnloadedCallback() = std::move(callback);
}

void Forms::add(Form *form)
{
    registry().append(form);
}

bool Forms::loadedOrNull(Form *form)
{
    return loadedForms().contains(form);
}

void Forms::bringForward(Form *form)
{
    form->show();
    if (form->isMinimized())
        form->showNormal();
    form->raise();
    form->activateWindow();
}

void UnloadAllForms(Form *form)
{
    const QString name = form ? form->objectName() : QString();
    for (Form *other : Forms::loadedForms())
        if (other->objectName() != name)
            Forms::unload(other);
    Forms::unload(form);
}

} // namespace app
