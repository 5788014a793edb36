#pragma once
#include <QLabel>
#include <QString>

namespace app {

// Gives a control its name: handlers, tests and the window's design all refer to it by that name.
template<class Widget> Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A label that acts like a link: clicked with the mouse, or with Space or Return once focused.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(const QString &caption, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace app
