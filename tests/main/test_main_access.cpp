// The main window for every user: choosing a device by keyboard, values that screen readers
// read, labels that act as links, the tab order, long device names, problem devices, links that
// no program opens, and the player's Loop box by keyboard and assistive technology.
#include "hardwaretree.h"
#include "machine.h"
#include "tests/player/testmp3.h"
#include "tests/support/testsupport.h"

#include "app/forms.h"
#include "platform/jet/jetwriter.h"
#include "windows/about/about.h"
#include "windows/livehelp/mp3player.h"
#include "windows/main/deviceproblems.h"
#include "windows/main/frigscope.h"
#include "windows/updater/updater.h"

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using testmachine::captioned;
using testmachine::Instance;
using testmachine::Machine;
using testmachine::text;

namespace {

Machine machineWithDevices()
{
    Machine m;
    m.add("Win32_ComputerSystem", captioned("PC"));
    m.add("Win32_DiskDrive", captioned("First disk", {{"Size", text("500107862016")}}));
    m.add("Win32_DiskDrive", captioned("Second disk", {{"Size", text("256060514304")}}));
    return m;
}

QString accessibleText(QObject *object, QAccessible::Text kind)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(kind) : QStringLiteral("<no interface>");
}

void doAccessibleAction(QObject *object, const QString &action)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    QVERIFY(iface && iface->actionInterface());
    QVERIFY(iface->actionInterface()->actionNames().contains(action));
    iface->actionInterface()->doAction(action);
}

// The accessible cell of a tree node that is on screen, found by its name.
QAccessibleInterface *treeCell(QTreeWidget *tree, const QString &name, int occurrence = 0)
{
    QAccessibleInterface *view = QAccessible::queryAccessibleInterface(tree);
    for (int i = 0; view && i < view->childCount(); ++i) {
        QAccessibleInterface *cell = view->child(i);
        if (cell && cell->role() == QAccessible::TreeItem && cell->text(QAccessible::Name) == name && occurrence-- == 0)
            return cell;
    }
    return nullptr;
}

} // namespace

class TestMainAccess : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (app::Form *form : app::Forms::loadedForms())
            app::Forms::unload(form);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void theKeyboardChoosesADeviceOncePerChange()
    {
        testsupport::MachineDescriptionFile machine(machineWithDevices().json());
        fRigscope *w = app::Forms::show<fRigscope>();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTreeWidgetItem *disks = classNode(w, "DiskDrive");
        disks->setExpanded(true);
        w->trvComputer->setFocus();
        w->trvComputer->setCurrentItem(disks); // a class node chooses nothing
        QVERIFY(w->Label19->text().isEmpty());
        QSignalSpy fills(w->lsvProperties->model(), &QAbstractItemModel::rowsInserted);

        QTest::keyClick(w->trvComputer, Qt::Key_Down);
        QCOMPARE(w->trvComputer->currentItem(), disks->child(0));
        QCOMPARE(w->Label19->text(), QStringLiteral("First disk"));
        QCOMPARE(w->txtDevice->text(), QStringLiteral("First disk"));
        QCOMPARE(w->lsvProperties->topLevelItem(1)->text(1), QStringLiteral("500107862016"));
        QCOMPARE(fills.size(), 1);

        // A mouse click on another device chooses it once; a click on the current one again.
        const auto click = [w](QTreeWidgetItem *node) {
            QTest::mouseClick(w->trvComputer->viewport(), Qt::LeftButton, {}, w->trvComputer->visualItemRect(node).center());
        };
        click(disks->child(1));
        QCOMPARE(w->Label19->text(), QStringLiteral("Second disk"));
        QCOMPARE(fills.size(), 2);
        click(disks->child(1));
        QCOMPARE(fills.size(), 3);

        QTest::keyClick(w->trvComputer, Qt::Key_Up);
        QCOMPARE(w->Label19->text(), QStringLiteral("First disk"));
        QCOMPARE(fills.size(), 4);
    }

    void screenReadersReadTheValuesAsTheyChange()
    {
        testmachine::Environment env;
        env.set("PROCESSOR_ARCHITECTURE", "x86");
        Machine m = machineWithDevices();
        m.thermalZones.append(Instance{{"CurrentTemperature", "3132"}});
        testsupport::MachineDescriptionFile machine(m.json());
        testsupport::TemporaryApplicationFolder folder;
        {
            platform::jet::JetWriter db(folder.file("DriverData.mdb"), QStringLiteral("velmarith"));
            db.beginTable(QStringLiteral("table1"), {"Hardware", "OS", "Architecture", "Link"});
            db.finish();
        }
        fRigscope *w = app::Forms::show<fRigscope>();

        const QList<QPair<QLabel *, QString>> valueLabels = {{w->Label19, "Name of the Hardware on this PC"},
                                                            {w->Label20, "Status"},
                                                            {w->Label26, "PC Architecture"},
                                                            {w->Label28, "Programming"},
                                                            {w->Label14, "CPU Temperature (In Celcius)"}};
        w->trvComputer->setCurrentItem(classNode(w, "DiskDrive")->child(0));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(w->Label20->text(), QStringLiteral("Sorry, no driver matches  found!"));
        QCOMPARE(w->Label26->text(), QStringLiteral("x86"));
        QCOMPARE(w->Label28->text(), QStringLiteral("32-bit"));
        QCOMPARE(w->Label14->text(), QStringLiteral("40"));
        for (const auto &[label, caption] : valueLabels) {
            QVERIFY2(!label->text().isEmpty(), qPrintable(label->objectName()));
            QCOMPARE(accessibleText(label, QAccessible::Name), label->text());
            QCOMPARE(accessibleText(label, QAccessible::Description), caption);
        }
        QCOMPARE(accessibleText(w->Label19, QAccessible::Name), QStringLiteral("First disk"));

        // A device name that looks like markup is shown and read as it is.
        w->Label19->setText(QStringLiteral("<b>Disk</b>"));
        QCOMPARE(accessibleText(w->Label19, QAccessible::Name), QStringLiteral("<b>Disk</b>"));

        // The Updater's date and size of the installed database.
        Updater *updater = app::Forms::show<Updater>();
        QVERIFY(updater);
        for (QLabel *label : {updater->Label9, updater->Label10}) {
            QVERIFY(!label->text().isEmpty());
            QCOMPARE(accessibleText(label, QAccessible::Name), label->text());
        }
        QCOMPARE(accessibleText(updater->Label9, QAccessible::Description), QStringLiteral("Date of current definition database"));
    }

    void framesAndLinkLabelsSpeakForThemselves()
    {
        testsupport::MachineDescriptionFile machine(machineWithDevices().json());
        testsupport::RecordingMessageBoxes boxes;
        testsupport::RecordingLinks links;
        fRigscope *w = app::Forms::show<fRigscope>();

        // Frames inside frames carry their own titles as names.
        for (QGroupBox *frame : w->findChildren<QGroupBox *>())
            QCOMPARE(frame->accessibleName(), frame->title());
        QCOMPARE(w->Frame2->parentWidget(), w->fraProperties);

        // The licence label is a link with a press action, also from the keyboard.
        QAccessibleInterface *eula = QAccessible::queryAccessibleInterface(w->Label6);
        QCOMPARE(eula->role(), QAccessible::Link);
        QCOMPARE(eula->text(QAccessible::Name), w->Label6->text());
        doAccessibleAction(w->Label6, QAccessibleActionInterface::pressAction());
        QVERIFY(boxes.shown.isEmpty()); // the box opens from the event loop, not inside the request
        QTRY_COMPARE(boxes.shown.size(), 1);
        QTest::keyClick(w->Label6, Qt::Key_Space);
        QCOMPARE(boxes.shown.size(), 2);
        QVERIFY(boxes.shown.at(1).text.contains(QStringLiteral("Licence Agreement")));

        // So is the About window's mail link.
        About *about = app::Forms::show<About>();
        doAccessibleAction(about->Label6, QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(links.opened, QList<QUrl>{QUrl(QStringLiteral("mailto:quillfen@torvane.example"))});
    }

    void tabGoesFromTheTreeToTheSystemAndThenToScan()
    {
        testsupport::MachineDescriptionFile machine(machineWithDevices().json());
        fRigscope *w = app::Forms::show<fRigscope>();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->trvComputer->setFocus();
        QList<QWidget *> visited;
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(QApplication::focusWidget());
        }
        QCOMPARE(visited, (QList<QWidget *>{w->Text3, w->Command2, w->Text1, w->txtDevice}));
    }

    void longNamesAreShownWhole()
    {
        // Measure the name label, then make a device whose name wraps to three lines there.
        QString name;
        {
            testsupport::MachineDescriptionFile machine(machineWithDevices().json());
            fRigscope *w = app::Forms::show<fRigscope>();
            const QFontMetrics metrics(w->Label19->font());
            const auto lines = [&](const QString &text) {
                return qRound(double(metrics.boundingRect(QRect(0, 0, w->Label19->width(), 10000), Qt::TextWordWrap, text).height())
                              / metrics.lineSpacing());
            };
            for (int word = 0; lines(name) < 3; ++word)
                name += QStringLiteral("Controller%1 ").arg(word);
            name = name.trimmed();
            cleanup();
        }
        Machine m;
        m.add("Win32_ComputerSystem", captioned("PC"));
        m.add("Win32_SCSIController", captioned(name));
        testsupport::MachineDescriptionFile machine(m.json());
        fRigscope *w = app::Forms::show<fRigscope>();
        w->trvComputer->setCurrentItem(classNode(w, "SCSIController")->child(0));
        QCOMPARE(w->Label19->text(), name);
        QVERIFY(w->Label19->heightForWidth(w->Label19->width()) <= w->Label19->height());
        QVERIFY(!w->Label19->geometry().intersects(w->Text3->geometry()));
        QCOMPARE(w->txtDevice->text(), name);
        QCOMPARE(w->txtDevice->cursorPosition(), 0); // the box shows the beginning
    }

    void problemDevicesAreMarked()
    {
        QCOMPARE(deviceproblems::problemText(28), QStringLiteral("The drivers for this device are not installed. (Code 28)"));
        QCOMPARE(deviceproblems::problemText(22), QStringLiteral("This device is disabled. (Code 22)"));
        QCOMPARE(deviceproblems::problemText(52), QStringLiteral("This device has a problem. (Code 52)"));
        QVERIFY(deviceproblems::problemText(0).isEmpty());

        Machine m;
        m.add("Win32_ComputerSystem", captioned("PC"));
        for (const char *id : {"ACPI\\PNP0C14\\0", "ACPI\\PNP0C14\\1", "ACPI\\PNP0C14\\2"})
            m.add("Win32_PNPEntity", captioned("Unknown device", {{"ConfigManagerErrorCode", "28"}, {"PNPDeviceID", text(id)}}));
        m.add("Win32_PNPEntity", captioned("PCI Express Root Port", {{"ConfigManagerErrorCode", "0"}, {"PNPDeviceID", text("PCI\\VEN_8086")}}));
        m.add("Win32_SoundDevice", captioned("Realtek Audio|Speakers", {{"ConfigManagerErrorCode", "10"}}));
        testsupport::MachineDescriptionFile machine(m.json());
        fRigscope *w = app::Forms::show<fRigscope>();

        QTreeWidgetItem *entities = classNode(w, "PNPEntity");
        QCOMPARE(entities->childCount(), 4);
        const QString notInstalled = QStringLiteral("The drivers for this device are not installed. (Code 28)");
        for (int i = 0; i < 3; ++i) {
            QTreeWidgetItem *unknown = entities->child(i);
            QCOMPARE(unknown->text(0), QStringLiteral("Unknown device"));
            QVERIFY(!unknown->icon(0).isNull());
            QCOMPARE(unknown->toolTip(0), notInstalled + QStringLiteral("\nACPI\\PNP0C14\\%1").arg(i));
        }
        QTreeWidgetItem *working = entities->child(3);
        QVERIFY(working->icon(0).isNull());
        QCOMPARE(working->toolTip(0), QStringLiteral("PCI\\VEN_8086"));
        QVERIFY(!entities->icon(0).isNull());
        QCOMPARE(entities->toolTip(0), QStringLiteral("3 devices of this class have a problem."));
        QVERIFY(classNode(w, "DiskDrive")->icon(0).isNull());

        // Both entries cut from one caption belong to the device with the problem.
        QTreeWidgetItem *sound = classNode(w, "SoundDevice");
        QCOMPARE(sound->childCount(), 2);
        QVERIFY(!sound->child(0)->icon(0).isNull() && !sound->child(1)->icon(0).isNull());
        QCOMPARE(sound->toolTip(0), QStringLiteral("2 devices of this class have a problem."));

        // A screen reader hears why, and which of the three it is.
        entities->setExpanded(true);
        w->trvComputer->scrollToItem(entities->child(3)); // lays the expanded rows out
        QAccessibleInterface *second = treeCell(w->trvComputer, QStringLiteral("Unknown device"), 1);
        QVERIFY(second);
        QCOMPARE(second->text(QAccessible::Description), notInstalled + QStringLiteral("\nACPI\\PNP0C14\\1"));
        QAccessibleInterface *entitiesCell = treeCell(w->trvComputer, QStringLiteral("PNPEntity"));
        QVERIFY(entitiesCell);
        QCOMPARE(entitiesCell->text(QAccessible::Description), QStringLiteral("3 devices of this class have a problem."));
    }

    void aLinkNoProgramOpensIsShownInABox()
    {
        testsupport::MachineDescriptionFile machine(machineWithDevices().json());
        testsupport::RecordingMessageBoxes boxes;
        testsupport::RecordingLinks links;
        links.opens = false;
        fRigscope *w = app::Forms::show<fRigscope>();
        w->mnuSupport->trigger();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown.at(0).icon, app::MessageIcon::Exclamation);
        QVERIFY(boxes.shown.at(0).text.contains(QString::fromLatin1(app::kSupportForumUrl)));

        About *about = app::Forms::show<About>();
        QTest::mouseClick(about->Label6, Qt::LeftButton);
        QCOMPARE(boxes.shown.size(), 2);
        QVERIFY(boxes.shown.at(1).text.contains(QStringLiteral("quillfen@torvane.example")));

        links.opens = true;
        w->mnuFREE->trigger();
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(links.opened.size(), 3);
    }

    void loopFollowsEveryWayOfTickingTheBox()
    {
        QTemporaryDir dir;
        const QString tone = dir.filePath(QStringLiteral("tone.mp3"));
        QString error;
        QVERIFY2(testmp3::writeTone(tone, 3, &error), qPrintable(error));
        struct ChooseTone final : Mp3FileDialog {
            QString path;
            QString chooseFile(QWidget *, const QString &) override { return path; }
        } dialog;
        dialog.path = tone;
        setMp3FileDialog(&dialog);
        testsupport::RecordingMessageBoxes boxes;
        {
            Mp3PlayerFrame frame;
            frame.show();
            QVERIFY(QTest::qWaitForWindowActive(&frame));
            QTest::mouseClick(frame.Command13, Qt::LeftButton);
            QVERIFY(!frame.Command13->isEnabled());

            doAccessibleAction(frame.Check5, QAccessibleActionInterface::toggleAction());
            QVERIFY(frame.Check5->isChecked());
            QVERIFY(frame.loopEnabled());
            QVERIFY(frame.Timer1->isActive());

            frame.Check5->setFocus();
            QTest::keyClick(frame.Check5, Qt::Key_Space);
            QVERIFY(!frame.Check5->isChecked());
            QVERIFY(!frame.loopEnabled());
            QVERIFY(!frame.Timer1->isActive());

            QTest::mouseClick(frame.Check5, Qt::LeftButton);
            QVERIFY(frame.Check5->isChecked() && frame.loopEnabled() && frame.Timer1->isActive());
            frame.Command7_Click();
        }
        setMp3FileDialog(nullptr);
        QVERIFY(boxes.shown.isEmpty());
    }
};

QTEST_MAIN(TestMainAccess)
#include "test_main_access.moc"
