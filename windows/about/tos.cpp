#include "windows/about/tos.h"

#include "app/failures.h"

#include <QVBoxLayout>

TOS::TOS() : app::Form("TOS")
{
    setWindowTitle(QStringLiteral(" Live Help - Terms of Service"));

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);

    Text1 = new QPlainTextEdit(QStringLiteral("Text1"), central);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setFont(QFont(QStringLiteral("Arial"), 10));
    Text1->setAccessibleName(QStringLiteral("Terms of Service"));
    Text1->setMinimumSize(360, 110);
    layout->addWidget(Text1);

    Command1 = new QPushButton(QStringLiteral("OK"), central);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    layout->addWidget(Command1, 0, Qt::AlignRight);
    connect(Command1, &QPushButton::clicked, this, [this] { app::runHandler([&] { Command1_Click(); }); });

    setCentralWidget(central);
}

void TOS::Form_Load()
{
    Text1->setPlainText(QString::fromLatin1(kChatTermsText));
}

void TOS::Command1_Click()
{
    app::Forms::unload(this);
}
