// Times the hardware tree: (a) the live enumeration and the whole tree build on this machine
// beside `lshw -json`, (b) the tree built and shown for a described machine of 20,000 devices
// beside inserting the same 20,000 nodes straight into a tree view.
#include "app/appfolder.h"
#include "app/forms.h"
#include "inventory/catalogue.h"
#include "platform/management/orderedjson.h"
#include "windows/main/frigscope.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void flushWindows()
{
    for (app::Form *form : app::Forms::loadedForms())
        app::Forms::unload(form);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void row(const char *what, double ours, const char *reference, double theirs)
{
    std::printf("%-46s %9.1f ms   %-22s %9.1f ms   ratio %.3f\n", what, ours, reference, theirs, ours / theirs);
}

QByteArray describedMachine(int devices)
{
    const QStringList &classes = inventory::hardwareClassCatalogue();
    QByteArray json = "{\"namespaces\":{\"root\\\\cimv2\":{\"Win32_ComputerSystem\":[{\"Caption\":\"BENCH-PC\"}]";
    const int perClass = devices / int(classes.size()) + 1;
    int made = 0;
    for (const QString &className : classes) {
        json += ",\"" + className.toLatin1() + "\":[";
        for (int i = 0; i < perClass && made < devices; ++i, ++made) {
            json += i ? ",{" : "{";
            json += "\"Caption\":" + platform::jsonQuoted(className.mid(6) + QStringLiteral(" device %1").arg(i));
            json += ",\"DeviceID\":" + platform::jsonQuoted(QStringLiteral("PCI\\VEN_8086&DEV_%1").arg(made));
            json += ",\"ConfigManagerErrorCode\":0,\"Status\":\"OK\"}";
        }
        json += "]";
    }
    return json + "},\"root\\\\wmi\":{}},\"sysinfo\":{\"BatteryStatus\":128}}";
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {}); // keep the table readable
    QApplication application(argc, argv);
    QTemporaryDir folder;
    app::setApplicationFolder(folder.path());
    std::printf("Hardware tree build (median of repeated runs)\n");

    // (a) Live: all catalogue classes enumerated, and the whole tree built, beside lshw.
    qunsetenv("DRIVERSEARCHER_MACHINE");
    const double enumerate = medianMs(5, [] {
        for (const QString &className : inventory::hardwareClassCatalogue())
            inventory::GetClassCaptions(className);
    });
    fRigscope *window = app::Forms::show<fRigscope>();
    const double liveTree = medianMs(5, [window] { window->cmdRefresh_Click(); });
    flushWindows();
    const QString lshw = QStandardPaths::findExecutable(QStringLiteral("lshw"));
    if (lshw.isEmpty()) {
        std::printf("lshw is not installed: live figures without reference: enumerate %.1f ms, tree %.1f ms\n", enumerate, liveTree);
    } else {
        const double lshwMs = medianMs(3, [&] {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.setStandardErrorFile(QProcess::nullDevice());
            p.start(lshw, {QStringLiteral("-json")});
            p.waitForFinished(120000);
        });
        row("live: 56 classes enumerated", enumerate, "lshw -json", lshwMs);
        row("live: tree built (enumeration + nodes)", liveTree, "lshw -json", lshwMs);
    }

    // (b) A described machine of 20,000 devices: the main window loads and shows the tree.
    constexpr int kDevices = 20000;
    QFile description(folder.filePath(QStringLiteral("machine.json")));
    if (!description.open(QIODevice::WriteOnly) || description.write(describedMachine(kDevices)) < 0)
        return 1;
    description.close();
    qputenv("DRIVERSEARCHER_MACHINE", description.fileName().toLocal8Bit());
    inventory::GetClassCaptions(QStringLiteral("Win32_ComputerSystem")); // the description is parsed once per file
    int nodes = 0;
    const double shown = medianMs(5, [&] {
        fRigscope *w = app::Forms::show<fRigscope>();
        QTreeWidgetItem *computer = w->trvComputer->topLevelItem(0);
        nodes = 0;
        for (int i = 0; i < computer->childCount(); ++i)
            nodes += computer->child(i)->childCount();
        flushWindows();
    });
    const double direct = medianMs(5, [] {
        QTreeWidget tree;
        auto *computer = new QTreeWidgetItem(&tree, {QStringLiteral("BENCH-PC")});
        for (const QString &className : inventory::hardwareClassCatalogue()) {
            auto *classNode = new QTreeWidgetItem(computer, {className.mid(6)});
            QList<QTreeWidgetItem *> devices;
            for (int i = 0; i < kDevices / 56 + 1; ++i)
                devices.append(new QTreeWidgetItem({QStringLiteral("device %1").arg(i)}));
            classNode->addChildren(devices);
        }
        tree.show();
    });
    std::printf("described machine: %d device nodes\n", nodes);
    row("20,000 devices: window loaded, tree shown", shown, "bare QTreeWidget fill", direct);
    std::printf("aim: live enumeration under 0.1 x lshw; 20,000-device tree under 500 ms\n");
    return 0;
}
