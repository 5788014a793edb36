#include "app/controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>

namespace app {

namespace {

// What assistive technology sees of a clickable label: a link named by its caption, with a
// press action. The press runs from the event loop, so a window or box it opens never runs
// inside the assistive technology's request.
class AccessibleClickableLabel final : public QAccessibleWidget {
public:
    explicit AccessibleClickableLabel(ClickableLabel *label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override
    {
        QString value = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && value.isEmpty())
            value = static_cast<const QLabel *>(widget())->text();
        return value;
    }

    QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }

    void doAction(const QString &action) override
    {
        if (action == pressAction())
            QMetaObject::invokeMethod(static_cast<ClickableLabel *>(widget()), &ClickableLabel::click, Qt::QueuedConnection);
        else
            QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString &action) const override
    {
        if (action == pressAction())
            return {QStringLiteral("Space"), QStringLiteral("Return")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }
};

QAccessibleInterface *clickableLabelInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String(ClickableLabel::staticMetaObject.className()) && object && object->isWidgetType())
        return new AccessibleClickableLabel(static_cast<ClickableLabel *>(object));
    return nullptr;
}

} // namespace

ClickableLabel::ClickableLabel(const QString &caption, QWidget *parent) : QLabel(caption, parent)
{
    static const bool interfaceInstalled = (QAccessible::installFactory(clickableLabelInterface), true);
    Q_UNUSED(interfaceInstalled);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setWordWrap(true);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        click();
    QLabel::mouseReleaseEvent(event);
}

void ClickableLabel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QLabel::keyPressEvent(event);
}

void showsValue(QLabel *label, const QString &caption)
{
    label->setTextFormat(Qt::PlainText);
    // No accessible name: the label's text is its name, and a change of the text is announced.
    label->setAccessibleName(QString());
    label->setAccessibleDescription(caption);
}

void nameFrameByTitle(QGroupBox *frame)
{
    frame->setAccessibleName(frame->title());
}

} // namespace app
