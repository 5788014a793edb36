#pragma once
#include <QLabel>
#include <QString>

class QGroupBox;

namespace app {

// Gives a control its name: handlers, tests and the window's design all refer to it by that name.
template<class Widget> Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A label that acts like a link: clicked with the mouse, with Space or Return once focused, or
// through the press action that assistive technology offers for it.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(const QString &caption, QWidget *parent = nullptr);

public slots:
    void click() { emit clicked(); }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// Makes a label one that shows a value (a device name, a status sentence, a figure, a date):
// screen readers read its current text, and are told when it changes, with the caption that
// stands beside it as its description; a fixed name never hides the value. Values come from
// outside (devices, files, servers), so they are shown as plain text, never as markup.
void showsValue(QLabel *label, const QString &caption);

// A frame inside another frame is announced with the outer frame's title unless it carries
// an accessible name of its own: every frame gets its title as its name.
void nameFrameByTitle(QGroupBox *frame);

} // namespace app
