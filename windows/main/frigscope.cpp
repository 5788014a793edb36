#include "windows/main/frigscope.h"

#include "app/appfolder.h"
#include "app/failures.h"
#include "app/links.h"
#include "app/messagebox.h"
#include "inventory/catalogue.h"
#include "inventory/wmi.h"
#include "listview/mlistviewfunctions.h"
#include "platform/environment.h"
#include "windows/about/about.h"
#include "windows/livehelp/form2.h"
#include "windows/livehelp/mp3player.h"
#include "windows/main/deviceproblems.h"
#include "windows/main/deviceproperties.h"
#include "windows/main/driverlookup.h"
#include "windows/main/linuxdriverpanel.h"
#include "windows/updater/updater.h"
#include "windows/main/systemsummary.h"

#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTreeWidget>

using app::named;

namespace {

// Positions are designed in twips, at 15 twips per pixel.
QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

QLabel *label(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *l = named(new QLabel(caption, parent), name);
    l->setGeometry(geometry);
    l->setWordWrap(true);
    return l;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *f = named(new QGroupBox(caption, parent), name);
    f->setGeometry(geometry);
    app::nameFrameByTitle(f);
    return f;
}

// A device that reports a problem shows the warning sign; what is wrong, and the device's ID
// that tells identical names apart, are in its tooltip and its accessible description.
void showDeviceState(QTreeWidgetItem *node, const deviceproblems::DeviceNode &device, const QIcon &warning)
{
    const QString problem = deviceproblems::problemText(device.problemCode);
    QStringList facts;
    if (!problem.isEmpty())
        facts << problem;
    if (!device.pnpDeviceId.isEmpty())
        facts << device.pnpDeviceId;
    if (facts.isEmpty())
        return;
    node->setToolTip(0, facts.join(QLatin1Char('\n')));
    node->setData(0, Qt::AccessibleDescriptionRole, facts.join(QLatin1Char('\n')));
    if (!problem.isEmpty())
        node->setIcon(0, warning);
}

// A class with problem devices is marked too, so a collapsed class does not hide them.
void showClassState(QTreeWidgetItem *node, int problemDevices, const QIcon &warning)
{
    if (problemDevices == 0)
        return;
    const QString summary = problemDevices == 1 ? QStringLiteral("1 device of this class has a problem.")
                                                : QStringLiteral("%1 devices of this class have a problem.").arg(problemDevices);
    node->setIcon(0, warning);
    node->setToolTip(0, summary);
    node->setData(0, Qt::AccessibleDescriptionRole, summary);
}

const QString kEulaText = QStringLiteral(
    "Torvane Driver Searcher - Free Edition\n\n"
    "End User Licence Agreement\n\n"
    "You may use and copy this program free of charge for personal and business use. "
    "The program is provided as it is, without warranty of any kind. The driver links it "
    "shows point to the download pages of the hardware makers; install drivers at your own risk "
    "and keep a backup of your system. The author takes no responsibility for any damage or "
    "loss of data caused by the use of this program.");

} // namespace

fRigscope::fRigscope() : app::Form("fRigscope"), mp3_(std::make_unique<Mp3Player>())
{
    setWindowTitle(QStringLiteral("Torvane Driver Searcher - Free Edition"));
    buildControls();
}

fRigscope::~fRigscope() = default;

void fRigscope::buildControls()
{
    auto *client = new QWidget(this);
    client->setFixedSize(12615 / 15, 8625 / 15);
    setCentralWidget(client);

    TabStrip1 = named(new QTabBar(client), "TabStrip1");
    TabStrip1->addTab(QStringLiteral("Hardware Information"));
    TabStrip1->addTab(QStringLiteral("System Information"));
    TabStrip1->addTab(QStringLiteral("Live Help"));
    TabStrip1->setGeometry(twips(0, 0, 12615, 360));
    TabStrip1->setExpanding(false);
    TabStrip1->setAccessibleName(QStringLiteral("Views"));
    auto *tabPanel = named(new QFrame(client), "TabStrip1Panel");
    tabPanel->setFrameShape(QFrame::StyledPanel);
    tabPanel->setGeometry(twips(0, 330, 12615, 8055 - 330));
    tabPanel->lower();

    Frame1 = frame(client, "Frame1", QStringLiteral("Hardware on your computer:"), twips(0, 360, 5055, 2895));
    trvComputer = named(new QTreeWidget(client), "trvComputer");
    trvComputer->setGeometry(twips(60, 600, 4875, 2595));
    trvComputer->setHeaderHidden(true);
    trvComputer->setAccessibleName(QStringLiteral("Hardware on your computer"));

    Frame3 = frame(client, "Frame3", QStringLiteral("Hardware Driver Help"), twips(5160, 360, 7335, 2895));
    Command2 = named(new QPushButton(QStringLiteral("Scan For Updated Drivers"), Frame3), "Command2");
    Command2->setGeometry(twips(4560, 2280, 2595, 420));
    Label11 = label(Frame3, "Label11", QStringLiteral("To scan for drivers, you first must click on a piece of hardware from the left."),
                    twips(120, 300, 7095, 420));
    // The device name has room for three lines: long names wrap instead of being cut off.
    Label12 = label(Frame3, "Label12", QStringLiteral("Name of the Hardware on this PC:"), twips(120, 780, 3255, 255));
    Label19 = label(Frame3, "Label19", QString(), twips(3420, 780, 3795, 750));
    Label10 = label(Frame3, "Label10", QStringLiteral("Operating System on this PC:"), twips(120, 1590, 3255, 255));
    Text3 = named(new QLineEdit(Frame3), "Text3");
    Text3->setGeometry(twips(3420, 1560, 2655, 315));
    Label10->setBuddy(Text3);
    Label9 = label(Frame3, "Label9", QStringLiteral("PC Architecture:"), twips(120, 1950, 3255, 255));
    Label26 = label(Frame3, "Label26", QString(), twips(3420, 1950, 2655, 255));
    Label7 = label(Frame3, "Label7", QStringLiteral("Programming:"), twips(120, 2280, 3255, 255));
    Label28 = label(Frame3, "Label28", QString(), twips(3420, 2280, 1095, 255));
    Label19->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    app::showsValue(Label19, QStringLiteral("Name of the Hardware on this PC"));
    app::showsValue(Label26, QStringLiteral("PC Architecture"));
    app::showsValue(Label28, QStringLiteral("Programming"));

    fraProperties = frame(client, "fraProperties", QStringLiteral("Hardware device  properties:"), twips(0, 3240, 12495, 4695));
    Label1 = label(fraProperties, "Label1", QStringLiteral("Device:"), twips(120, 300, 1455, 255));
    txtDevice = named(new QLineEdit(fraProperties), "txtDevice");
    txtDevice->setGeometry(twips(120, 600, 4155, 315));
    txtDevice->setReadOnly(true);
    Label1->setBuddy(txtDevice);
    Label2 = label(fraProperties, "Label2", QStringLiteral("Device:"), twips(120, 1440, 1455, 255));
    lsvProperties = named(new QTreeWidget(fraProperties), "lsvProperties");
    lsvProperties->setGeometry(twips(120, 1680, 4875, 2835));
    lsvProperties->setRootIsDecorated(false);
    lsvProperties->setAccessibleName(QStringLiteral("Hardware device properties"));
    Label2->setBuddy(lsvProperties);

    Frame2 = frame(fraProperties, "Frame2", QStringLiteral("Status"), twips(5040, 240, 7335, 1575));
    Label4 = label(Frame2, "Label4", QStringLiteral("Attention: detecting hardware. This may take a few seconds"),
                   twips(360, 360, 6435, 495));
    prbDetecting = named(new QProgressBar(Frame2), "prbDetecting");
    prbDetecting->setGeometry(twips(360, 960, 6435, 315));
    prbDetecting->setRange(0, 100);
    prbDetecting->setAccessibleName(QStringLiteral("Hardware detection progress"));
    Label3 = label(Frame2, "Label3", QStringLiteral("Ready!"), twips(360, 960, 6435, 315));

    Frame4 = frame(fraProperties, "Frame4", QStringLiteral("Driver Search Results"), twips(5040, 1800, 7335, 2775));
    Label23 = label(Frame4, "Label23", QStringLiteral("Link to Driver Update: (Copy and Paste This in Your Browser):"),
                    twips(120, 300, 7095, 255));
    Text1 = named(new QLineEdit(Frame4), "Text1");
    Text1->setGeometry(twips(120, 600, 7095, 315));
    Label23->setBuddy(Text1);
    Label15 = label(Frame4, "Label15", QStringLiteral("Status: "), twips(120, 1080, 735, 255));
    Label20 = label(Frame4, "Label20", QString(), twips(900, 1080, 6315, 495));
    app::showsValue(Label20, QStringLiteral("Status"));
    Label8 = label(Frame4, "Label8",
                   QStringLiteral("If you scaned for a driver update and there was no match, log on the free live help and you can request it there. "),
                   twips(120, 1800, 7095, 735));

    cmdRefresh = named(new QPushButton(QStringLiteral("&Refresh hardware list"), client), "cmdRefresh");
    cmdRefresh->setGeometry(twips(120, 4320, 2235, 360));

    QuickSystemInfoFrame = frame(client, "QuickSystemInfoFrame", QStringLiteral("Quick System Information"), twips(0, 360, 12495, 7575));
    QuickSystemInfoFrame->setAutoFillBackground(true); // it covers the tree, the refresh button and the properties
    Text14 = addSummaryLine("Text14", 1, QStringLiteral("Computer name"));
    Text13 = addSummaryLine("Text13", 2, QStringLiteral("Processor Architecture"));
    Text12 = addSummaryLine("Text12", 3, QStringLiteral("Processor Identifier"));
    Text6 = addSummaryLine("Text6", 4, QString());
    Text5 = addSummaryLine("Text5", 5, QStringLiteral("Number of Processors"));
    Text7 = addSummaryLine("Text7", 6, QStringLiteral("Processor Revision"));
    Text8 = addSummaryLine("Text8", 7, QStringLiteral("Current UserName"));
    Text9 = addSummaryLine("Text9", 8, QStringLiteral("Location of User Profile"));
    Text10 = addSummaryLine("Text10", 9, QStringLiteral("Type of Operating System"));
    Text11 = addSummaryLine("Text11", 10, QStringLiteral("System Root"));
    Text15 = addSummaryLine("Text15", 11, QStringLiteral("Processor Level"));
    Label5 = label(QuickSystemInfoFrame, "Label5", QStringLiteral("System Drive:"), twips(240, 360 + 3 * 420, 1455, 315));
    Text6->setGeometry(twips(1740, 360 + 3 * 420, 10455, 315));
    Label5->setBuddy(Text6);
    Frame24 = frame(QuickSystemInfoFrame, "Frame24", QStringLiteral("Battery Power Status:"), twips(240, 5160, 6015, 2175));
    lstInfo = named(new QListWidget(Frame24), "lstInfo");
    lstInfo->setGeometry(twips(120, 300, 5775, 1755));
    lstInfo->setAccessibleName(QStringLiteral("Battery Power Status"));
    Frame6 = frame(QuickSystemInfoFrame, "Frame6", QStringLiteral("CPU Temperature (In Celcius)"), twips(6480, 5160, 5775, 2175));
    Label14 = label(Frame6, "Label14", QString(), twips(240, 600, 5295, 1095));
    Label14->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0); font-size: 24pt;"));
    app::showsValue(Label14, QStringLiteral("CPU Temperature (In Celcius)"));

    Text2 = named(new QPlainTextEdit(client), "Text2");
    Text2->setVisible(false);

    Label6 = named(new app::ClickableLabel(QStringLiteral("Click here for the EULA (End User Licence Agreement)"), client), "Label6");
    Label6->setGeometry(twips(120, 8160, 6015, 315));
    Label6->setStyleSheet(QStringLiteral("color: rgb(0, 0, 192); text-decoration: underline;"));
    linuxDrivers = new LinuxDriverPanel(client);
    linuxDrivers->setGeometry(twips(6240, 8100, 6255, 420));

    mnuExit = named(menuBar()->addAction(QStringLiteral("Exit")), "mnuExit");
    mnuSupport = named(menuBar()->addAction(QStringLiteral("Support")), "mnuSupport");
    mnuUpdates = named(menuBar()->addAction(QStringLiteral("Check for Updated Driver Database")), "mnuUpdates");
    mnuFREE = named(menuBar()->addAction(QStringLiteral("Free Torvane Shieldkin")), "mnuFREE");
    mnuAbout = named(menuBar()->addAction(QStringLiteral("About")), "mnuAbout");

    auto handle = [](auto handler) { return [handler] { app::runHandler(handler); }; };
    connect(TabStrip1, &QTabBar::currentChanged, this, handle([this] { TabStrip1_Click(); }));
    connect(TabStrip1, &QTabBar::tabBarClicked, this, [this, handle](int index) {
        // A click on the tab already selected changes nothing but still counts (it reopens Live Help).
        if (index == TabStrip1->currentIndex())
            handle([this] { TabStrip1_Click(); })();
    });
    connect(cmdRefresh, &QPushButton::clicked, this, handle([this] { cmdRefresh_Click(); }));
    // A device is chosen when the current node changes, by mouse, keyboard or assistive
    // technology; a click on the node that already was current chooses it again.
    connect(trvComputer, &QTreeWidget::currentItemChanged, this, handle([this] { trvComputer_Click(); }));
    connect(trvComputer, &QTreeWidget::itemClicked, this, [this, handle] {
        if (pressedOnCurrentNode_)
            handle([this] { trvComputer_Click(); })();
    });
    trvComputer->viewport()->installEventFilter(this);
    connect(Command2, &QPushButton::clicked, this, handle([this] { Command2_Click(); }));
    // After the lookup, whatever the database said: what Linux offers for the same device.
    connect(Command2, &QPushButton::clicked, this, handle([this] {
        const QTreeWidgetItem *node = trvComputer->currentItem();
        linuxDrivers->showFor(node && node->parent() ? node->parent()->text(0) : QString(), Label19->text());
    }));
    connect(Label6, &app::ClickableLabel::clicked, this, handle([this] { Label6_Click(); }));
    connect(mnuExit, &QAction::triggered, this, handle([this] { mnuExit_Click(); }));
    connect(mnuSupport, &QAction::triggered, this, handle([this] { mnuSupport_Click(); }));
    connect(mnuUpdates, &QAction::triggered, this, handle([this] { mnuUpdates_Click(); }));
    connect(mnuFREE, &QAction::triggered, this, handle([this] { mnuFREE_Click(); }));
    connect(mnuAbout, &QAction::triggered, this, handle([this] { mnuAbout_Click(); }));

    QuickSystemInfoFrame->raise();

    // Tab follows the lookup: the tree, the operating system, Scan, the link; then the rest.
    const QList<QWidget *> tabOrder = {TabStrip1, trvComputer, Text3, Command2, Text1, txtDevice, lsvProperties, cmdRefresh,
                                       Text14, Text13, Text12, Text6, Text5, Text7, Text8, Text9, Text10, Text11, Text15,
                                       lstInfo, Label6};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));
}

bool fRigscope::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == trvComputer->viewport() && event->type() == QEvent::MouseButtonPress) {
        const QPoint position = static_cast<QMouseEvent *>(event)->position().toPoint();
        pressedOnCurrentNode_ = trvComputer->itemAt(position) == trvComputer->currentItem();
    }
    return app::Form::eventFilter(watched, event);
}

QLineEdit *fRigscope::addSummaryLine(const char *name, int row, const QString &accessibleName)
{
    auto *box = named(new QLineEdit(QuickSystemInfoFrame), name);
    box->setGeometry(twips(240, 360 + (row - 1) * 420, 11955, 315));
    box->setReadOnly(true);
    if (!accessibleName.isEmpty())
        box->setAccessibleName(accessibleName);
    return box;
}

void fRigscope::Form_Load()
{
    fillOperatingSystemName();
    Label3->hide();
    QuickSystemInfoFrame->hide();
    fraProperties->show();
    Frame1->show();
    FillEnvironmentLines(Text2->toPlainText());

    lsvProperties->setColumnCount(2);
    lsvProperties->setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    const int columnWidth = lsvProperties->width() / 2 - 40 / 15;
    lsvProperties->setColumnWidth(0, columnWidth);
    lsvProperties->setColumnWidth(1, columnWidth);

    QPointer<fRigscope> self(this);
    cmdRefresh_Click();
    if (!self || isUnloading())
        return; // closed while the tree was being built

    fillBatteryLines();
    fillCpuTemperature();
    Label28->setText(systemsummary::programmingLabel(Label26->text()));
}

// Each summary figure is read on its own: one that cannot be read shows "not available"
// and the start-up goes on, so the architecture label is always set.
void fRigscope::fillOperatingSystemName()
{
    try {
        auto service = inventory::connectManagement(QStringLiteral("winmgmts:\\\\.\\root\\cimv2"));
        Text3->setText(systemsummary::shortOperatingSystemName(
            service.ExecQuery(QStringLiteral("Select * from Win32_OperatingSystem")), Text3->text()));
    } catch (const std::exception &) {
        // Text3 stays empty: it is also the lookup's key, so it gets no placeholder text.
    }
    try {
        auto service = inventory::connectManagement(QStringLiteral("winmgmts:\\\\.\\root\\cimv2"));
        Text2->setPlainText(Text2->toPlainText()
                            + systemsummary::operatingSystemDescription(
                                service.ExecQuery(QStringLiteral("Select * from Win32_OperatingSystem"))));
    } catch (const std::exception &) {
        Text2->setPlainText(QString::fromLatin1(systemsummary::kNotAvailable));
    }
}

void fRigscope::FillEnvironmentLines(const QString &operatingSystemDescription)
{
    for (const auto &line : systemsummary::environmentLines(operatingSystemDescription)) {
        if (auto *box = QuickSystemInfoFrame->findChild<QLineEdit *>(QString::fromLatin1(line.control)))
            box->setText(line.text);
        if (qstrcmp(line.control, "Text13") == 0)
            Label26->setText(platform::environmentValue(QStringLiteral("PROCESSOR_ARCHITECTURE")));
    }
}

void fRigscope::fillBatteryLines()
{
    try {
        auto service = inventory::connectManagement(QStringLiteral("winmgmts:"));
        lstInfo->addItems(systemsummary::batteryLines(service.BatteryFigures()));
    } catch (const std::exception &) {
        lstInfo->addItem(QStringLiteral("Battery figures ") + QString::fromLatin1(systemsummary::kNotAvailable));
    }
}

void fRigscope::fillCpuTemperature()
{
    try {
        auto service = inventory::connectManagement(QStringLiteral("winmgmts:") + QStringLiteral("\\\\localhost\\root\\wmi"));
        Label14->setText(systemsummary::cpuTemperature(service.InstancesOf(QStringLiteral("MSAcpi_ThermalZoneTemperature"))));
    } catch (const std::exception &) {
        Label14->setText(QString::fromLatin1(systemsummary::kNotAvailable));
    }
}

void fRigscope::TabStrip1_Click()
{
    const QString caption = TabStrip1->tabText(TabStrip1->currentIndex());
    if (caption == QLatin1String("Hardware Information")) {
        fraProperties->show();
        Frame1->show();
        Frame3->show();
        QuickSystemInfoFrame->hide();
    } else if (caption == QLatin1String("System Information")) {
        fraProperties->hide();
        Frame1->hide();
        Frame3->hide();
        QuickSystemInfoFrame->show();
    } else if (caption == QLatin1String("Live Help")) {
        app::Forms::show<Form2>(); // refused when another copy runs: the window then says so itself
    }
}

void fRigscope::cmdRefresh_Click()
{
    if (buildingTree_)
        return; // one build at a time: the running build already shows the current hardware
    buildingTree_ = true;
    struct BuildingFlag {
        bool &flag;
        ~BuildingFlag() { flag = false; }
    } building{buildingTree_};

    prbDetecting->show();
    Label3->hide();
    trvComputer->setEnabled(false);
    prbDetecting->setValue(0);
    trvComputer->clear();
    computerNode_ = nullptr;

    for (const QString &caption : inventory::GetClassCaptions(QStringLiteral("Win32_ComputerSystem"))) {
        computerNode_ = new QTreeWidgetItem(trvComputer, {caption});
    }
    if (!computerNode_) // no computer-system instance: the classes still get a root to hang from
        computerNode_ = new QTreeWidgetItem(trvComputer, {QStringLiteral("This computer")});
    trvComputer->topLevelItem(0)->setExpanded(true);
    if (!isVisible())
        show();

    constexpr int kStep = 2; // 100 / 55 rounded to the nearest whole number
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    QPointer<fRigscope> self(this);
    for (const QString &className : inventory::hardwareClassCatalogue()) {
        if (prbDetecting->value() < prbDetecting->maximum())
            prbDetecting->setValue(std::min(prbDetecting->value() + kStep, prbDetecting->maximum()));
        QCoreApplication::processEvents();
        if (!self || isUnloading())
            return;
        auto *classNode = new QTreeWidgetItem(computerNode_, {inventory::classLabel(className)});
        QList<QTreeWidgetItem *> devices;
        int problemDevices = 0;
        for (const deviceproblems::DeviceNode &device : deviceproblems::classDeviceNodes(className)) {
            auto *node = new QTreeWidgetItem({device.text});
            showDeviceState(node, device, warning);
            problemDevices += device.problemCode != 0;
            devices.append(node);
        }
        classNode->addChildren(devices);
        showClassState(classNode, problemDevices, warning);
    }

    trvComputer->setEnabled(true);
    if (prbDetecting->maximum() == prbDetecting->value()) {
        prbDetecting->hide();
        Label3->show();
    }
}

void fRigscope::trvComputer_Click()
{
    QTreeWidgetItem *selected = trvComputer->currentItem();
    if (!selected)
        return;
    QStringList path;
    for (QTreeWidgetItem *node = selected; node; node = node->parent())
        path.prepend(node->text(0));
    const QStringList parts = path.join(QLatin1Char('\\')).split(QLatin1Char('\\'));
    if (parts.size() != 3)
        return;
    txtDevice->setText(parts.at(2));
    txtDevice->setCursorPosition(0); // a long name shows its beginning
    Label19->setText(parts.at(2));

    lsvProperties->clear();
    QList<QTreeWidgetItem *> rows;
    for (const QString &entry : deviceproperties::GetDeviceProperties(parts)) {
        const QStringList pieces = entry.split(QLatin1Char('^'));
        rows.append(new QTreeWidgetItem({pieces.at(0), pieces.value(1)}));
    }
    lsvProperties->addTopLevelItems(rows);
    MListViewFunctions::AutosizeColumns(*lsvProperties);
}

void fRigscope::Command2_Click()
{
    const std::optional<QString> link = findDriverLink(app::dataFile(QStringLiteral("DriverData.mdb")),
                                                       Label19->text(), Text3->text(), Label28->text());
    const QString noMatches = QStringLiteral("No Matches");
    const QString sorry = QStringLiteral("Sorry, no driver matches  found!");
    // A matching row without a link offers nothing to download: it reads as no match.
    if (link && !link->isEmpty()) {
        Text1->setText(*link);
    } else {
        Text1->setText(noMatches);
        Label20->setText(sorry);
    }
    Label20->setText(Text1->text() == noMatches ? sorry : QStringLiteral("Driver Found, please copy the link above into a web browser"));
}

void fRigscope::Label6_Click()
{
    app::messageBox(kEulaText);
}

void fRigscope::mnuExit_Click()
{
    app::Forms::unload(this);
}

void fRigscope::mnuSupport_Click()
{
    app::openLink(QUrl(QString::fromLatin1(app::kSupportForumUrl)));
}

void fRigscope::mnuUpdates_Click()
{
    app::Forms::show<Updater>();
}

void fRigscope::mnuFREE_Click()
{
    app::openLink(QUrl(QString::fromLatin1(app::kHomePageUrl)));
}

void fRigscope::mnuAbout_Click()
{
    app::Forms::show<About>();
}

void fRigscope::Form_QueryUnload()
{
    mp3_->MP3Stop();
    UnloadAllForms(this);
}
