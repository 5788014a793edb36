// Times the live provider: every catalogue class plus the computer and operating-system classes,
// enumerated repeatedly, on this machine or under a root; and writes a generated device tree.
//
//   bench_inventory enumerate ROOT REPEATS [CLASS]
//       prints "<median ms> <instances>" for one full inventory, each class from a fresh
//       provider as the window's tree connects, or for one class
//   bench_inventory snapshot ROOT REPEATS
//       the same full inventory read once for all classes, as the command-line inventory does
//   bench_inventory generate ROOT DEVICES     writes a tree of that many devices under ROOT
#include "inventory/catalogue.h"
#include "platform/linux/linuxprovider.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

int enumerate(const QString &root, int repeats, const QString &onlyClass, bool snapshot)
{
    platform::LinuxProvider::Options options;
    options.root = root;
    options.snapshot = snapshot;
    QStringList classes = inventory::hardwareClassCatalogue();
    classes << QStringLiteral("Win32_ComputerSystem") << QStringLiteral("Win32_OperatingSystem");
    if (!onlyClass.isEmpty())
        classes = QStringList{onlyClass};
    std::vector<double> times;
    size_t instances = 0;
    for (int run = 0; run < repeats; ++run) {
        QElapsedTimer timer;
        timer.start();
        instances = 0;
        // A fresh provider per class, as every management connection is fresh; or one for all.
        std::optional<platform::LinuxProvider> shared;
        if (snapshot)
            shared.emplace(options);
        for (const QString &className : classes) {
            std::optional<platform::LinuxProvider> fresh;
            if (!snapshot)
                fresh.emplace(options);
            try {
                instances += (snapshot ? *shared : *fresh).instancesOf(QStringLiteral("root\\cimv2"), className).size();
            } catch (const std::exception &) {
                // A class that cannot answer here (a remote print server) costs what it costs.
            }
        }
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%.2f %zu\n", times[times.size() / 2], instances);
    return 0;
}

void write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content + '\n');
}

void link(const QString &root, const QString &path, const QString &target)
{
    QDir().mkpath(QFileInfo(root + path).path());
    QFile::link(QDir(QFileInfo(root + path).path()).relativeFilePath(root + target), root + path);
}

// A machine with many devices: PCI functions (some with network interfaces and disks behind
// them) and USB devices, in the proportions of a large workstation.
int generate(const QString &root, int devices)
{
    write(root + QStringLiteral("/proc/sys/kernel/hostname"), "benchbox");
    int made = 0;
    for (int i = 0; made < devices; ++i) {
        const QString address = QStringLiteral("0000:%1:%2.%3").arg(i / 256, 2, 16, QLatin1Char('0')).arg((i / 8) % 32, 2, 16, QLatin1Char('0')).arg(i % 8);
        const QString folder = QStringLiteral("/sys/devices/pci0000:00/") + address;
        const int kind = i % 4;
        const QByteArray classCode = kind == 0 ? "0x020000" : kind == 1 ? "0x010601" : kind == 2 ? "0x0c0330" : "0x088000";
        write(root + folder + QStringLiteral("/vendor"), "0x8086");
        write(root + folder + QStringLiteral("/device"), QByteArray("0x") + QByteArray::number(0x1000 + i % 4000, 16));
        write(root + folder + QStringLiteral("/class"), classCode);
        write(root + folder + QStringLiteral("/revision"), "0x01");
        write(root + folder + QStringLiteral("/uevent"), "PCI_CLASS=" + classCode.mid(2) + "\nPCI_ID=8086:" + QByteArray::number(0x1000 + i % 4000, 16)
                  + "\nPCI_SUBSYS_ID=8086:0000\nPCI_SLOT_NAME=" + address.toLatin1() + (kind == 3 ? "" : "\nDRIVER=bench"));
        link(root, folder + QStringLiteral("/subsystem"), QStringLiteral("/sys/bus/pci"));
        link(root, QStringLiteral("/sys/bus/pci/devices/") + address, folder);
        ++made;
        if (kind == 0 && made < devices) { // a network interface on the card
            const QString net = folder + QStringLiteral("/net/eth%1").arg(i);
            write(root + net + QStringLiteral("/ifindex"), QByteArray::number(i + 2));
            write(root + net + QStringLiteral("/type"), "1");
            write(root + net + QStringLiteral("/address"), "02:00:00:00:00:01");
            write(root + net + QStringLiteral("/operstate"), "up");
            link(root, net + QStringLiteral("/device"), folder);
            link(root, QStringLiteral("/sys/class/net/eth%1").arg(i), net);
        }
        if (kind == 1 && made < devices) { // a disk on the controller
            const QString device = folder + QStringLiteral("/ata%1/host0/target0:0:0/%1:0:0:0").arg(i);
            write(root + device + QStringLiteral("/vendor"), "ATA");
            write(root + device + QStringLiteral("/model"), "Bench Disk");
            const QString block = device + QStringLiteral("/block/sd%1").arg(i);
            write(root + block + QStringLiteral("/size"), "1000000");
            link(root, block + QStringLiteral("/device"), device);
            link(root, QStringLiteral("/sys/class/block/sd%1").arg(i), block);
            ++made;
        }
        if (kind == 2 && made < devices) { // a USB device on the controller
            const QString device = folder + QStringLiteral("/usb%1/%1-1").arg(i + 1);
            write(root + device + QStringLiteral("/idVendor"), "046d");
            write(root + device + QStringLiteral("/idProduct"), "c077");
            write(root + device + QStringLiteral("/product"), "Bench Mouse");
            write(root + device + QStringLiteral("/bNumInterfaces"), " 1");
            link(root, device + QStringLiteral("/subsystem"), QStringLiteral("/sys/bus/usb"));
            link(root, QStringLiteral("/sys/bus/usb/devices/%1-1").arg(i + 1), device);
            ++made;
        }
    }
    std::printf("%d\n", made);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if ((arguments.size() == 4 || arguments.size() == 5) && arguments[1] == QLatin1String("enumerate"))
        return enumerate(arguments[2], arguments[3].toInt(), arguments.value(4), false);
    if (arguments.size() == 4 && arguments[1] == QLatin1String("snapshot"))
        return enumerate(arguments[2], arguments[3].toInt(), {}, true);
    if (arguments.size() == 4 && arguments[1] == QLatin1String("generate"))
        return generate(arguments[2], arguments[3].toInt());
    std::fprintf(stderr, "usage: bench_inventory enumerate ROOT REPEATS [CLASS] | snapshot ROOT REPEATS | generate ROOT DEVICES\n");
    return 2;
}
