// The main window on described machines: the hardware tree, the property view, the tabs,
// the menus and the close sequence.
#include "hardwaretree.h"
#include "machine.h"
#include "tests/support/testsupport.h"

#include "app/failures.h"
#include "app/forms.h"
#include "inventory/catalogue.h"
#include "platform/jet/jetwriter.h"
#include "windows/about/about.h"
#include "windows/livehelp/form2.h"
#include "windows/main/frigscope.h"
#include "windows/updater/updater.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using testmachine::captioned;
using testmachine::Environment;
using testmachine::Instance;
using testmachine::Machine;
using testmachine::text;

namespace {

Machine typicalMachine()
{
    Machine m;
    m.add("Win32_ComputerSystem", captioned("DESKTOP-7"));
    m.add("Win32_Processor", captioned("Intel64 Family 6 Model 85 Stepping 7",
                                       {{"Name", text("Intel(R) Xeon(R) CPU")}, {"NumberOfCores", "4"}}));
    m.add("Win32_DiskDrive", captioned("Samsung SSD 860 EVO 500GB"));
    m.add("Win32_DiskDrive", captioned("Samsung SSD 860 EVO 500GB"));
    m.add("Win32_SoundDevice", captioned("Realtek High Definition Audio|Speakers"));
    m.add("Win32_Keyboard", {{"Caption", "null"}});
    m.add("Win32_PointingDevice", {{"Caption", "null"}});
    m.add("Win32_PointingDevice", {{"Caption", "null"}});
    m.add("Win32_USBHub", captioned(""));
    m.failingClasses << "Win32_Fan";
    return m;
}

fRigscope *openMainWindow()
{
    return app::Forms::show<fRigscope>();
}

void unloadEverything()
{
    for (app::Form *form : app::Forms::loadedForms())
        app::Forms::unload(form);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList childTexts(QTreeWidgetItem *node)
{
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

void clickNode(fRigscope *w, QTreeWidgetItem *node)
{
    w->trvComputer->setCurrentItem(node);
    w->trvComputer_Click();
}

QList<QPair<QString, QString>> propertyRows(fRigscope *w)
{
    QList<QPair<QString, QString>> rows;
    for (int i = 0; i < w->lsvProperties->topLevelItemCount(); ++i)
        rows.append({w->lsvProperties->topLevelItem(i)->text(0), w->lsvProperties->topLevelItem(i)->text(1)});
    return rows;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { unloadEverything(); }

    void treeHasEveryClassInCatalogueOrder()
    {
        testsupport::MachineDescriptionFile machine(typicalMachine().json());
        fRigscope *w = openMainWindow();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Torvane Driver Searcher - Free Edition"));
        QCOMPARE(w->trvComputer->topLevelItemCount(), 1);
        QTreeWidgetItem *computer = w->trvComputer->topLevelItem(0);
        QCOMPARE(computer->text(0), QStringLiteral("DESKTOP-7"));
        QVERIFY(computer->isExpanded());
        QStringList expected;
        for (const QString &className : inventory::hardwareClassCatalogue())
            expected << className.mid(6);
        QCOMPARE(expected.size(), 56);
        QCOMPARE(childTexts(computer), expected);
        QVERIFY(w->trvComputer->isEnabled());
        QVERIFY(w->prbDetecting->isHidden());
        QVERIFY(!w->Label3->isHidden());
        QCOMPARE(w->Label3->text(), QStringLiteral("Ready!"));
    }

    void deviceNodesFollowTheCaptionList()
    {
        testsupport::MachineDescriptionFile machine(typicalMachine().json());
        fRigscope *w = openMainWindow();
        QCOMPARE(childTexts(classNode(w, "DiskDrive")), QStringList({"Samsung SSD 860 EVO 500GB", "Samsung SSD 860 EVO 500GB"}));
        QCOMPARE(childTexts(classNode(w, "SoundDevice")), QStringList({"Realtek High Definition Audio", "Speakers"}));
        QCOMPARE(childTexts(classNode(w, "Keyboard")), QStringList()); // one Null caption: no node
        QCOMPARE(childTexts(classNode(w, "PointingDevice")), QStringList({"", ""})); // two Null captions
        QCOMPARE(childTexts(classNode(w, "USBHub")), QStringList()); // one empty caption: no node
        QCOMPARE(childTexts(classNode(w, "Fan")), QStringList()); // failing class: node without children
        QCOMPARE(childTexts(classNode(w, "TapeDrive")), QStringList()); // no instances
    }

    void secondRefreshGivesTheSameTree()
    {
        testsupport::MachineDescriptionFile machine(typicalMachine().json());
        fRigscope *w = openMainWindow();
        auto snapshot = [w] {
            QStringList all;
            QTreeWidgetItem *computer = w->trvComputer->topLevelItem(0);
            for (int i = 0; i < computer->childCount(); ++i)
                all << computer->child(i)->text(0) + ":" + childTexts(computer->child(i)).join(',');
            return QString::number(w->trvComputer->topLevelItemCount()) + all.join(';');
        };
        const QString first = snapshot();
        QTest::mouseClick(w->cmdRefresh, Qt::LeftButton);
        QCOMPARE(snapshot(), first);
        QVERIFY(w->prbDetecting->isHidden());
        QVERIFY(!w->Label3->isHidden());
    }

    void refreshDuringABuildIsRefused()
    {
        testsupport::MachineDescriptionFile machine(typicalMachine().json());
        fRigscope *w = openMainWindow();
        int attempts = 0;
        QTimer poke;
        connect(&poke, &QTimer::timeout, w, [&] {
            if (w->isBuildingTree()) {
                ++attempts;
                w->cmdRefresh_Click();
            }
        });
        poke.start(0);
        w->cmdRefresh_Click();
        poke.stop();
        QVERIFY(attempts > 0);
        QCOMPARE(w->trvComputer->topLevelItemCount(), 1);
        QCOMPARE(w->trvComputer->topLevelItem(0)->childCount(), 56);
        QCOMPARE(childTexts(classNode(w, "DiskDrive")).size(), 2);
    }

    void machineWithoutComputerSystemStillShowsTheClasses()
    {
        Machine m = typicalMachine();
        m.cimv2.removeFirst();
        testsupport::MachineDescriptionFile machine(m.json());
        fRigscope *w = openMainWindow();
        QCOMPARE(w->trvComputer->topLevelItemCount(), 1);
        QCOMPARE(w->trvComputer->topLevelItem(0)->text(0), QStringLiteral("This computer"));
        QCOMPARE(w->trvComputer->topLevelItem(0)->childCount(), 56);
        QVERIFY(!w->Label3->isHidden());
    }

    void clickingADeviceListsItsProperties()
    {
        Machine m;
        m.add("Win32_ComputerSystem", captioned("PC"));
        m.add("Win32_VideoController",
              captioned("NVIDIA GeForce GTX 1060 6GB",
                        {{"Availability", "3"},
                         {"ConfigManagerErrorCode", "0"},
                         {"ConfigManagerUserConfig", "false"},
                         {"CurrentBitsPerPixel", "1"},
                         {"Monochrome", "true"},
                         {"Description", text("")},
                         {"DeviceID", text("1")},
                         {"AdapterRAM", "1.0"},
                         {"MaxRefreshRate", "-1"},
                         {"DriverVersion", text("31.0.15.3623")},
                         {"InstallDate", "null"},
                         {"CapabilityDescriptions", "[\"a\",\"b\"]"},
                         {"InfSection", text("Section^078")},
                         {"VideoProcessor", text("GP106|Rev A1^x")}}));
        m.add("Win32_VideoController", captioned("NVIDIA GeForce GTX 1060 6GB", {{"DeviceID", text("VideoController2")}}));
        m.add("Win32_VideoController", captioned("Other adapter", {{"DeviceID", text("VideoController3")}}));
        testsupport::MachineDescriptionFile machine(m.json());
        fRigscope *w = openMainWindow();

        QTreeWidgetItem *device = classNode(w, "VideoController")->child(0);
        clickNode(w, device);
        QCOMPARE(w->txtDevice->text(), QStringLiteral("NVIDIA GeForce GTX 1060 6GB"));
        QCOMPARE(w->Label19->text(), QStringLiteral("NVIDIA GeForce GTX 1060 6GB"));
        const QList<QPair<QString, QString>> expected = {
            {"Caption", "NVIDIA GeForce GTX 1060 6GB"},
            {"Availability", "3"},
            {"ConfigManagerErrorCode", "0"},
            {"ConfigManagerUserConfig", "False"},
            {"Monochrome", "True"},
            {"Description", ""},
            {"MaxRefreshRate", "-1"},
            {"DriverVersion", "31.0.15.3623"},
            {"InfSection", "Section"},
            {"VideoProcessor", "GP106"},
            {"Rev A1", "x"},
            // the second instance with the same caption follows
            {"Caption", "NVIDIA GeForce GTX 1060 6GB"},
            {"DeviceID", "VideoController2"},
        };
        QCOMPARE(propertyRows(w), expected);
        // Both columns are at least as wide as their contents.
        QVERIFY(w->lsvProperties->columnWidth(1) >= w->lsvProperties->fontMetrics().horizontalAdvance("NVIDIA GeForce GTX 1060 6GB"));

        // The computer node and a class node change nothing.
        clickNode(w, w->trvComputer->topLevelItem(0));
        clickNode(w, classNode(w, "VideoController"));
        QCOMPARE(w->Label19->text(), QStringLiteral("NVIDIA GeForce GTX 1060 6GB"));
        QCOMPARE(propertyRows(w), expected);

        // A refresh keeps the list and the device name.
        w->cmdRefresh_Click();
        QCOMPARE(w->Label19->text(), QStringLiteral("NVIDIA GeForce GTX 1060 6GB"));
        QCOMPARE(propertyRows(w).size(), expected.size());
    }

    void deviceTextsThatCannotBeLookedUp()
    {
        Machine m;
        m.add("Win32_ComputerSystem", captioned("PC"));
        m.add("Win32_DiskDrive", captioned("\\\\.\\PHYSICALDRIVE0", {{"Size", text("500107862016")}}));
        m.add("Win32_CDROMDrive", {{"Caption", "null"}, {"Drive", text("D:")}});
        m.add("Win32_CDROMDrive", {{"Caption", "null"}, {"Drive", text("E:")}});
        m.add("Win32_USBHub", captioned("Hub A", {{"DeviceID", text("USB\\ROOT_HUB\\1")}}));
        testsupport::MachineDescriptionFile machine(m.json());
        fRigscope *w = openMainWindow();

        clickNode(w, classNode(w, "USBHub")->child(0));
        QCOMPARE(w->Label19->text(), QStringLiteral("Hub A"));
        const auto hubRows = propertyRows(w);

        // A "\" in the device text gives more than three path parts: nothing changes.
        clickNode(w, classNode(w, "DiskDrive")->child(0));
        QCOMPARE(w->Label19->text(), QStringLiteral("Hub A"));
        QCOMPARE(propertyRows(w), hubRows);

        // Nodes made from Null captions match no instance.
        clickNode(w, classNode(w, "CDROMDrive")->child(0));
        QCOMPARE(w->Label19->text(), QString());
        QVERIFY(propertyRows(w).isEmpty());
    }

    void scanForDriversShowsTheFirstMatchingLink()
    {
        testsupport::TemporaryApplicationFolder folder;
        {
            platform::jet::JetWriter db(folder.file("DriverData.mdb"), QStringLiteral("velmarith"));
            db.beginTable(QStringLiteral("table1"), {"Hardware", "OS", "Architecture", "Link"});
            db.addRow({QString("Realtek PCIe GbE Family Controller"), QString("Windows XP"), QString("32-bit"), QString("https://realtek.example/xp32")});
            db.addRow({QString("realtek pcie gbe family controller"), QString("windows xp"), QString("32-bit"), QString("https://realtek.example/second")});
            db.addRow({QString("Realtek PCIe GbE Family Controller"), QString("Windows Vista"), QString(""), QString("https://realtek.example/vista")});
            db.addRow({QString("Intel(R) 82574L Gigabit Network Connection"), QString("Windows XP"), QString("32-bit"), QString("No Matches")});
            db.addRow({QString("Broadcom NetXtreme Gigabit Ethernet"), QString("Windows XP"), QString("32-bit"), std::nullopt});
            db.finish();
        }
        Environment env;
        env.set("PROCESSOR_ARCHITECTURE", "x86");
        Machine m;
        m.add("Win32_ComputerSystem", captioned("PC"));
        m.add("Win32_OperatingSystem", {{"Name", text("Microsoft Windows XP Professional")}, {"Version", text("5.1.2600")}});
        m.add("Win32_NetworkAdapter", captioned("Realtek PCIe GbE Family Controller"));
        m.add("Win32_NetworkAdapter", captioned("Intel(R) 82574L Gigabit Network Connection"));
        m.add("Win32_NetworkAdapter", captioned("Broadcom NetXtreme Gigabit Ethernet"));
        testsupport::MachineDescriptionFile machine(m.json());
        testsupport::RecordingMessageBoxes boxes;
        fRigscope *w = openMainWindow();
        QCOMPARE(w->Text3->text(), QStringLiteral("Windows XP"));
        QCOMPARE(w->Label28->text(), QStringLiteral("32-bit"));
        const QString found = QStringLiteral("Driver Found, please copy the link above into a web browser");
        const QString sorry = QStringLiteral("Sorry, no driver matches  found!");

        // No device selected yet.
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(w->Text1->text(), QStringLiteral("No Matches"));
        QCOMPARE(w->Label20->text(), sorry);

        clickNode(w, classNode(w, "NetworkAdapter")->child(0));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(w->Text1->text(), QStringLiteral("https://realtek.example/xp32"));
        QCOMPARE(w->Label20->text(), found);
        QTest::mouseClick(w->Command2, Qt::LeftButton); // twice in a row: the same answer
        QCOMPARE(w->Text1->text(), QStringLiteral("https://realtek.example/xp32"));

        // The typed operating system is the key; only rows with an empty architecture match Vista's row.
        w->Text3->setText(QStringLiteral("Windows Vista"));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(w->Text1->text(), QStringLiteral("No Matches"));
        w->Label28->setText(QString());
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(w->Text1->text(), QStringLiteral("https://realtek.example/vista"));

        // A stored link reading "No Matches" reads as no match.
        w->Text3->setText(QStringLiteral("Windows XP"));
        w->Label28->setText(QStringLiteral("32-bit"));
        clickNode(w, classNode(w, "NetworkAdapter")->child(1));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(w->Text1->text(), QStringLiteral("No Matches"));
        QCOMPARE(w->Label20->text(), sorry);
        // So does a matching row without a link.
        clickNode(w, classNode(w, "NetworkAdapter")->child(2));
        w->Text1->setText(QStringLiteral("previous"));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(w->Text1->text(), QStringLiteral("No Matches"));
        QCOMPARE(w->Label20->text(), sorry);
        QVERIFY(boxes.shown.isEmpty());

        // Without the database the failure is reported and the results stay as they were.
        clickNode(w, classNode(w, "NetworkAdapter")->child(0));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QVERIFY(QFile::remove(folder.file("DriverData.mdb")));
        w->Text1->setText(QStringLiteral("previous"));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(w->Text1->text(), QStringLiteral("previous"));
        QCOMPARE(w->Label20->text(), found);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown.at(0).icon, app::MessageIcon::Critical);
        QVERIFY(!boxes.shown.at(0).text.isEmpty());
    }

    void tabsSwitchTheViews()
    {
        testsupport::MachineDescriptionFile machine(typicalMachine().json());
        fRigscope *w = openMainWindow();
        QCOMPARE(w->TabStrip1->count(), 3);
        QCOMPARE(w->TabStrip1->currentIndex(), 0);
        auto shown = [w] {
            return QList<bool>{!w->fraProperties->isHidden(), !w->Frame1->isHidden(), !w->Frame3->isHidden(),
                               !w->QuickSystemInfoFrame->isHidden()};
        };
        QCOMPARE(shown(), QList<bool>({true, true, true, false}));
        w->TabStrip1->setCurrentIndex(1);
        QCOMPARE(shown(), QList<bool>({false, false, false, true}));
        w->TabStrip1->setCurrentIndex(0);
        QCOMPARE(shown(), QList<bool>({true, true, true, false}));
        w->TabStrip1->setCurrentIndex(1);
        w->TabStrip1->setCurrentIndex(2); // Live Help leaves the views as they were
        QCOMPARE(shown(), QList<bool>({false, false, false, true}));
        QCOMPARE(w->TabStrip1->currentIndex(), 2);
    }

    void menusOpenLinksAndTheLicence()
    {
        testsupport::MachineDescriptionFile machine(typicalMachine().json());
        testsupport::RecordingLinks links;
        testsupport::RecordingMessageBoxes boxes;
        fRigscope *w = openMainWindow();
        w->mnuSupport->trigger();
        w->mnuFREE->trigger();
        QCOMPARE(links.opened.size(), 2);
        QCOMPARE(links.opened.at(0).scheme(), QStringLiteral("http"));
        QCOMPARE(links.opened.at(1).scheme(), QStringLiteral("http"));
        QTest::mouseClick(w->Label6, Qt::LeftButton);
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown.at(0).text.contains(QStringLiteral("Licence Agreement")));
        QCOMPARE(boxes.shown.at(0).icon, app::MessageIcon::None);
        QVERIFY(app::Forms::loaded<fRigscope>());
    }

    void exitAndTheCloseBoxUnloadEveryWindow()
    {
        testsupport::MachineDescriptionFile machine(typicalMachine().json());
        bool ended = false;
        app::Forms::setOnAllUnloaded([&] { ended = true; });
        testsupport::TemporaryApplicationFolder folder;
        fRigscope *w = openMainWindow();
        w->TabStrip1->setCurrentIndex(2);
        Form2 *liveHelp = app::Forms::loaded<Form2>();
        QVERIFY(liveHelp);
        w->TabStrip1->setCurrentIndex(0);
        w->TabStrip1->setCurrentIndex(2); // Live Help again: the same window
        QCOMPARE(app::Forms::loaded<Form2>(), liveHelp);
        w->mnuAbout->trigger();
        w->mnuUpdates->trigger();
        QVERIFY(app::Forms::loaded<About>());
        QVERIFY(app::Forms::loaded<Updater>());
        QCOMPARE(app::Forms::loadedForms().size(), 4);
        w->mnuExit->trigger();
        QVERIFY(app::Forms::loadedForms().isEmpty());
        QVERIFY(ended);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        ended = false;
        w = openMainWindow();
        QVERIFY(w);
        w->mnuAbout->trigger();
        w->close();
        QVERIFY(app::Forms::loadedForms().isEmpty());
        QVERIFY(ended);
        app::Forms::setOnAllUnloaded({});
    }

    void unhandledFailureIsReportedAndTheProgramGoesOn()
    {
        testsupport::RecordingMessageBoxes boxes;
        bool laterStepRan = false;
        app::runHandler([&] {
            throw app::Failure(QStringLiteral("The driver database cannot be opened."));
            laterStepRan = true;
        });
        QVERIFY(!laterStepRan);
        QCOMPARE(boxes.texts(), QStringList({"The driver database cannot be opened."}));
        QCOMPARE(boxes.shown.at(0).icon, app::MessageIcon::Critical);
        QVERIFY(boxes.shown.at(0).title.isEmpty()); // the application title
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
