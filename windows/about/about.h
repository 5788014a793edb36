#pragma once
#include "app/controls.h"
#include "app/forms.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

// The author's contact address, shown in the About window and opened as a mail link.
inline constexpr const char *kAuthorMailAddress = "Quillfen@torvane.example";

// The About window: program name, version, disclaimer and the author's mail link.
class About : public app::Form {
    Q_OBJECT
public:
    About();

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label4;
    QLabel *Label5;
    app::ClickableLabel *Label6; // the author's address; a click opens a mail to it
    QLabel *Label7;
    QFrame *Frame1;
    QLabel *Image1;
    QPushButton *Command1; // "Close"

    void Label6_Click();
    void Command1_Click();

protected:
};
