#include "windows/updater/updater.h"

#include "app/appfolder.h"
#include "app/controls.h"
#include "app/messagebox.h"
#include "windows/livehelp/form2.h"
#include "windows/updater/databaseupdate.h"
#include "windows/updater/downloadprogress.h"
#include "windows/updater/serveraddressdownload.h"
#include "windows/updater/updateaddresses.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

namespace {

QLabel *makeLabel(const char *name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton *makeButton(const char *name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(caption.trimmed());
    return button;
}

// The database drum.
QPixmap drawDatabase()
{
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 70, 120), 2));
    painter.setBrush(QColor(120, 160, 220));
    painter.drawRect(QRectF(8, 10, 32, 28));
    painter.drawEllipse(QRectF(8, 32, 32, 10));
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(9, 11, 30, 26));
    painter.setPen(QPen(QColor(40, 70, 120), 2));
    painter.drawEllipse(QRectF(8, 5, 32, 10));
    return pixmap;
}

// The download arrow.
QPixmap drawDownloadArrow()
{
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(18, 6);
    arrow.lineTo(30, 6);
    arrow.lineTo(30, 24);
    arrow.lineTo(40, 24);
    arrow.lineTo(24, 40);
    arrow.lineTo(8, 24);
    arrow.lineTo(18, 24);
    arrow.closeSubpath();
    painter.setPen(QPen(QColor(20, 90, 40), 2));
    painter.setBrush(QColor(70, 170, 90));
    painter.drawPath(arrow);
    return pixmap;
}

QLabel *makePicture(const char *name, const QPixmap &pixmap, const QString &description, QWidget *parent)
{
    auto *picture = new QLabel(parent);
    picture->setObjectName(QString::fromLatin1(name));
    picture->setPixmap(pixmap);
    picture->setAccessibleName(description);
    return picture;
}

DatabaseFiles databaseFiles()
{
    DatabaseFiles files = DatabaseFiles::inFolder(app::writableDataFolder());
    files.shipped = app::applicationFile(QStringLiteral("DriverData.mdb"));
    return files;
}

} // namespace

Updater::Updater() : app::Form("Updater")
{
    setWindowTitle(QStringLiteral("Torvane Driver Updater - Updater"));
    auto *central = new QWidget(this);
    setCentralWidget(central);

    Label1 = makeLabel("Label1", QStringLiteral("Check For Updates..."), central);
    QFont headingFont = Label1->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    Label1->setFont(headingFont);
    Label2 = makeLabel("Label2", QStringLiteral("Date  of  current definition database:"), central);
    Label9 = makeLabel("Label9", QString(), central);
    app::showsValue(Label9, QStringLiteral("Date of current definition database"));
    Label6 = makeLabel("Label6", QStringLiteral("Size of  current definition database:"), central);
    Label10 = makeLabel("Label10", QString(), central);
    app::showsValue(Label10, QStringLiteral("Size of current definition database"));
    Label4 = makeLabel("Label4", QStringLiteral("Status of Download:"), central);
    Label8 = makeLabel("Label8", QStringLiteral("Updater Version 1.1"), central);
    Label5 = makeLabel("Label5",
                       QStringLiteral("Please wait until the file is downloaded before exiting. When the files downloads "
                                      "it will automaticaly replace the older database. "),
                       central);
    Label5->setWordWrap(true);
    Image1 = makePicture("Image1", drawDatabase(), QStringLiteral("Driver database"), central);
    Picture1 = makePicture("Picture1", drawDownloadArrow(), QStringLiteral("Download"), central);

    Command1 = makeButton("Command1", QStringLiteral("Click here to download the database. "), central);
    Command3 = makeButton("Command3", QStringLiteral("Click here to download the  newer Server IP address"), central);
    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setAccessibleName(QStringLiteral("Status of Download"));
    Text1 = new QPlainTextEdit(central);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setAccessibleName(QStringLiteral("Response headers of the download"));

    mnuClose = menuBar()->addAction(QStringLiteral("Close Updater"));
    mnuClose->setObjectName(QStringLiteral("mnuClose"));

    auto *grid = new QGridLayout(central);
    grid->addWidget(Image1, 0, 0, 2, 1);
    grid->addWidget(Label1, 0, 1, 1, 2);
    grid->addWidget(Label8, 1, 1, 1, 2);
    grid->addWidget(Label2, 2, 0, 1, 2);
    grid->addWidget(Label9, 2, 2);
    grid->addWidget(Label6, 3, 0, 1, 2);
    grid->addWidget(Label10, 3, 2);
    grid->addWidget(Command1, 4, 0, 1, 3);
    grid->addWidget(Command3, 5, 0, 1, 3);
    grid->addWidget(Picture1, 6, 0);
    grid->addWidget(Label4, 6, 1);
    grid->addWidget(ProgressBar1, 6, 2);
    grid->addWidget(Label5, 7, 0, 1, 3);
    grid->addWidget(Text1, 8, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    http = new DatabaseUpdate(databaseFiles(), platform::http::kDefaultTimeouts, this);
    WinHttpRequest2 = new ServerAddressDownload(app::writableDataFile(QStringLiteral("ServerIP.txt")), this);

    connect(Command1, &QPushButton::clicked, this, &Updater::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &Updater::Command3_Click);
    connect(mnuClose, &QAction::triggered, this, &Updater::mnuClose_Click);
    connect(http, &DatabaseUpdate::responseStarted, this, &Updater::http_OnResponseStart);
    connect(http, &DatabaseUpdate::progressChanged, this, &Updater::http_OnProgress);
    connect(http, &DatabaseUpdate::installed, this, &Updater::http_OnInstalled);
    connect(http, &DatabaseUpdate::failed, this, [this](const QString &text) { showFailure(http, text); });
    connect(WinHttpRequest2, &ServerAddressDownload::progressChanged, this, &Updater::WinHttpRequest2_OnProgress);
    connect(WinHttpRequest2, &ServerAddressDownload::installed, this, &Updater::WinHttpRequest2_OnInstalled);
    connect(WinHttpRequest2, &ServerAddressDownload::failed, this,
            [this](const QString &text) { showFailure(WinHttpRequest2, text); });
}

Updater::~Updater() = default;

void Updater::Form_Load()
{
    showInstalledDatabase();
}

void Updater::showInstalledDatabase()
{
    const InstalledDatabaseLabels labels = describeInstalledDatabase(app::dataFile(QStringLiteral("DriverData.mdb")));
    Label9->setText(labels.date);
    Label10->setText(labels.size);
}

void Updater::Command1_Click()
{
    progressOwner_ = http;
    showProgress(http, 0, 100);
    http->start(databaseDownloadUrl());
}

void Updater::Command3_Click()
{
    progressOwner_ = WinHttpRequest2;
    showProgress(WinHttpRequest2, 0, 100);
    WinHttpRequest2->start(serverAddressUrl());
}

void Updater::mnuClose_Click()
{
    app::Forms::unload(this);
}

void Updater::http_OnResponseStart(const QString &allResponseHeaders)
{
    Text1->setPlainText(allResponseHeaders);
}

void Updater::http_OnProgress(qint64 received, std::optional<qint64> announced)
{
    const ProgressDisplay display = progressDisplay(received, announced);
    showProgress(http, display.value, display.maximum);
}

void Updater::http_OnInstalled()
{
    showInstalledDatabase();
    app::messageBox(QStringLiteral("Updated database downloaded and installed! Please restart the program  for "
                                   "updates to take affect."));
}

// The bar goes back to its empty start: what it showed belongs to the failed download.
void Updater::showFailure(QObject *download, const QString &text)
{
    showProgress(download, 0, 100);
    app::messageBox(text, app::MessageIcon::Exclamation);
}

void Updater::WinHttpRequest2_OnProgress(qint64 received, std::optional<qint64> announced)
{
    const ProgressDisplay display = progressDisplay(received, announced);
    showProgress(WinHttpRequest2, display.value, display.maximum);
}

void Updater::WinHttpRequest2_OnInstalled(const QString &address)
{
    // An open Live Help window writes its server box back to the file when it closes: it must
    // hold the new address by then, or the old one would return.
    if (auto *liveHelp = app::Forms::loaded<Form2>(); liveHelp && !liveHelp->isUnloading())
        liveHelp->txtServer->setText(address);
    app::messageBox(QStringLiteral("Updated Server IP downloaded and installed! Please restart the program  for "
                                   "updates to take affect."));
}

void Updater::showProgress(QObject *download, int value, int maximum)
{
    if (download != progressOwner_)
        return;
    ProgressBar1->setMaximum(maximum);
    ProgressBar1->setValue(value);
}
