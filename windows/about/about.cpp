#include "windows/about/about.h"

#include "app/failures.h"
#include "app/links.h"

#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QFont arial(int pointSize, bool bold = false)
{
    QFont font(QStringLiteral("Arial"), pointSize);
    font.setBold(bold);
    return font;
}

QLabel *makeLabel(const QString &name, const QString &caption, const QFont &font, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

// The picture of the About window: a magnifier over a chip, the program's subject.
QPixmap drawPicture()
{
    QPixmap picture(96, 96);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    painter.setPen(QPen(QColor(60, 60, 60), 2));
    for (int i = 0; i < 4; ++i) {
        const int offset = 22 + i * 10;
        painter.drawLine(offset, 10, offset, 18);
        painter.drawLine(offset, 62, offset, 70);
        painter.drawLine(10, offset, 18, offset);
        painter.drawLine(62, offset, 70, offset);
    }
    painter.setBrush(QColor(40, 90, 60));
    painter.drawRoundedRect(QRectF(18, 18, 44, 44), 4, 4);

    painter.setBrush(QColor(200, 225, 255, 160));
    painter.setPen(QPen(QColor(30, 30, 30), 4));
    painter.drawEllipse(QPointF(52, 52), 20, 20);
    painter.setPen(QPen(QColor(120, 70, 30), 8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(66, 66), QPointF(88, 88));
    return picture;
}

} // namespace

About::About() : app::Form("About")
{
    setWindowTitle(QStringLiteral("About  Torvane Mendlet"));

    auto *central = new QWidget(this);
    auto *layout = new QGridLayout(central);

    Frame1 = new QFrame(central);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    auto *frameLayout = new QVBoxLayout(Frame1);
    Image1 = new QLabel(Frame1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(drawPicture());
    Image1->setAccessibleName(QStringLiteral("Program picture"));
    frameLayout->addWidget(Image1);
    layout->addWidget(Frame1, 0, 0, 4, 1, Qt::AlignTop);

    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("Torvane Driver Searcher By Quillfen"), arial(12, true), central);
    Label2 = makeLabel(QStringLiteral("Label2"), QStringLiteral("Version: 1.01"), arial(9), central);
    Label4 = makeLabel(QStringLiteral("Label4"),
                       QStringLiteral("The author of this program takes no reponsiblity for any usage of this program."),
                       arial(9), central);
    Label5 = makeLabel(QStringLiteral("Label5"), QStringLiteral("Comments and Questions can be emailed to "), arial(9), central);
    Label5->setWordWrap(false);
    Label6 = app::named(new app::ClickableLabel(QString::fromLatin1(kAuthorMailAddress), central), "Label6");
    Label6->setFont(arial(9));
    Label6->setWordWrap(false);
    Label6->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    Label6->setAccessibleName(QStringLiteral("Mail the author: ") + QString::fromLatin1(kAuthorMailAddress));
    connect(Label6, &app::ClickableLabel::clicked, this, [this] { app::runHandler([&] { Label6_Click(); }); });
    Label7 = makeLabel(QStringLiteral("Label7"), QString(), arial(9), central);

    layout->addWidget(Label1, 0, 1, 1, 2);
    layout->addWidget(Label2, 1, 1, 1, 2);
    layout->addWidget(Label4, 2, 1, 1, 2);
    layout->addWidget(Label5, 3, 1);
    layout->addWidget(Label6, 3, 2);
    layout->addWidget(Label7, 4, 1, 1, 2);

    Command1 = new QPushButton(QStringLiteral("Close"), central);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    layout->addWidget(Command1, 5, 2, Qt::AlignRight);
    connect(Command1, &QPushButton::clicked, this, [this] { app::runHandler([&] { Command1_Click(); }); });

    setCentralWidget(central);
}

void About::Label6_Click()
{
    app::openLink(QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kAuthorMailAddress).toLower()));
}

void About::Command1_Click()
{
    app::Forms::unload(this);
}
