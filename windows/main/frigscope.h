#pragma once
#include "app/controls.h"
#include "app/forms.h"

#include <QStringList>

#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;
class Mp3Player;
class LinuxDriverPanel;

// The main window: the hardware tree, the device properties, the driver lookup and the
// system summary, with the menus that open the other windows.
class fRigscope : public app::Form {
    Q_OBJECT
public:
    fRigscope();
    ~fRigscope() override;

    // Tab strip and the views it switches.
    QTabBar *TabStrip1;
    QGroupBox *Frame1;
    QTreeWidget *trvComputer;
    QPushButton *cmdRefresh;
    QGroupBox *fraProperties;
    QLabel *Label1;
    QLabel *Label2;
    QLineEdit *txtDevice;
    QTreeWidget *lsvProperties;
    QGroupBox *Frame2;
    QProgressBar *prbDetecting;
    QLabel *Label3;
    QLabel *Label4;
    QGroupBox *Frame4;
    QLineEdit *Text1;
    QLabel *Label23;
    QLabel *Label15;
    QLabel *Label20;
    QLabel *Label8;
    QGroupBox *Frame3;
    QPushButton *Command2;
    QLabel *Label11;
    QLabel *Label12;
    QLabel *Label19;
    QLabel *Label10;
    QLineEdit *Text3;
    QLabel *Label9;
    QLabel *Label26;
    QLabel *Label7;
    QLabel *Label28;
    QGroupBox *QuickSystemInfoFrame;
    QLineEdit *Text5, *Text6, *Text7, *Text8, *Text9, *Text10, *Text11, *Text12, *Text13, *Text14, *Text15;
    QLabel *Label5;
    QGroupBox *Frame24;
    QListWidget *lstInfo;
    QGroupBox *Frame6;
    QLabel *Label14;
    QPlainTextEdit *Text2;
    app::ClickableLabel *Label6;
    LinuxDriverPanel *linuxDrivers; // what Linux offers for the selected device
    QAction *mnuExit;
    QAction *mnuSupport;
    QAction *mnuUpdates;
    QAction *mnuFREE;
    QAction *mnuAbout;

    // Handlers.
    void TabStrip1_Click();
    void cmdRefresh_Click();
    void trvComputer_Click();
    void Command2_Click();
    void Label6_Click();
    void mnuExit_Click();
    void mnuSupport_Click();
    void mnuUpdates_Click();
    void mnuFREE_Click();
    void mnuAbout_Click();

    // Closes every loaded window other than the given one, then the given one.
    static void UnloadAllForms(app::Form *form) { app::UnloadAllForms(form); }

    // Whether a tree build is under way (a refresh pressed meanwhile is refused).
    bool isBuildingTree() const { return buildingTree_; }

protected:
    void Form_Load() override;
    void Form_QueryUnload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    QLineEdit *addSummaryLine(const char *name, int row, const QString &accessibleName);
    void FillEnvironmentLines(const QString &operatingSystemDescription);
    void fillOperatingSystemName();
    void fillBatteryLines();
    void fillCpuTemperature();
    QTreeWidgetItem *computerNode_ = nullptr;
    bool buildingTree_ = false;
    bool pressedOnCurrentNode_ = false; // the last mouse press in the tree hit the node already current
    std::unique_ptr<Mp3Player> mp3_; // only its stop is used, when the window closes
};
