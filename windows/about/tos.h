#pragma once
#include "app/forms.h"

#include <QPlainTextEdit>
#include <QPushButton>

// The terms under which the user joins the Live Help chat.
inline constexpr const char *kChatTermsText =
    "While Quillfen takes no responsibility  for any usage for this program, by joining this  chat you are "
    "agreeing that you are at or above the age of thirteen (13) . Please refrain from using unnecessary "
    "language, thank you.";

// The chat-terms window.
class TOS : public app::Form {
    Q_OBJECT
public:
    TOS();

    QPlainTextEdit *Text1;
    QPushButton *Command1; // "OK"

    void Command1_Click();

protected:
    void Form_Load() override;
};
