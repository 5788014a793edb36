// Times the driver report beside the inventory it builds on, on this machine or under a root;
// and writes a generated machine of many devices with the module information of its drivers.
//
//   bench_drivers report ROOT REPEATS      prints "<report ms> <device list ms> <report cpu ms> <list cpu ms>
//                                          <entries> <need action>" (medians): the whole driver report,
//                                          and Win32_PnPEntity, in wall and processor time
//   bench_drivers generate ROOT DEVICES    writes a tree of that many devices under ROOT, and
//                                          ROOT/modinfo/NAME.bin, the module information of each driver
#include "platform/linux/driverreport.h"
#include "platform/linux/linuxprovider.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

int report(const QString &root, int repeats)
{
    platform::LinuxProvider::Options options;
    options.root = root;
    std::vector<double> reportTimes, listTimes, reportCpu, listCpu;
    size_t entries = 0, action = 0;
    // Processor time beside wall time: on a busy machine the wall clock mostly measures the others.
    auto cpuMs = [] {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    };
    for (int run = 0; run < repeats; ++run) {
        QElapsedTimer timer;
        timer.start();
        double cpu = cpuMs();
        const auto result = platform::linuxhw::buildDriverReport(options);
        reportTimes.push_back(timer.nsecsElapsed() / 1e6);
        reportCpu.push_back(cpuMs() - cpu);
        entries = result.devices.size();
        action = size_t(std::count_if(result.devices.begin(), result.devices.end(), [](const auto &entry) { return entry.needsAction(); }));
        timer.restart();
        cpu = cpuMs();
        platform::LinuxProvider provider(options);
        provider.instancesOf(QStringLiteral("root\\cimv2"), QStringLiteral("Win32_PnPEntity"));
        listTimes.push_back(timer.nsecsElapsed() / 1e6);
        listCpu.push_back(cpuMs() - cpu);
    }
    std::printf("%.2f %.2f %.2f %.2f %zu %zu\n", median(reportTimes), median(listTimes), median(reportCpu), median(listCpu), entries, action);
    return 0;
}

void write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

void link(const QString &root, const QString &path, const QString &target)
{
    QDir().mkpath(QFileInfo(root + path).path());
    QFile::link(QDir(QFileInfo(root + path).path()).relativeFilePath(root + target), root + path);
}

QByteArray hex(int value, int digits)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

// A workstation's worth of cards: per group of four, one bound to its loaded driver, one whose
// module is not loaded, one bound to a driver whose firmware is missing, one nothing knows; and
// behind every bound card a USB device with its interface.
int generate(const QString &root, int devices)
{
    write(root + QStringLiteral("/proc/sys/kernel/hostname"), "benchbox\n");
    write(root + QStringLiteral("/proc/sys/kernel/osrelease"), "6.1.0-bench-amd64\n");
    constexpr int kDrivers = 50;
    for (int d = 0; d < kDrivers; ++d) {
        const QByteArray name = "benchdrv" + QByteArray::number(d);
        QByteArray info = "alias=pci:v00008086d0000" + hex(0x1000 + d, 4) + "sv*sd*bc*sc*i*" + '\0' + "alias=usb:v046Dp" + hex(0xC000 + d, 4)
            + "d*dc*dsc*dp*ic*isc*ip*in*" + '\0';
        if (d % 4 == 2)
            info += "firmware=bench/fw" + QByteArray::number(d) + ".bin" + '\0';
        info += "license=GPL" + QByteArray(1, '\0') + "name=" + name + '\0';
        write(root + QStringLiteral("/modinfo/") + QString::fromLatin1(name) + QStringLiteral(".bin"), info);
    }
    int made = 0;
    for (int i = 0; made < devices; ++i) {
        const int driver = i % kDrivers;
        const int kind = i % 4;
        const QString address = QStringLiteral("0000:%1:%2.%3").arg(i / 256, 2, 16, QLatin1Char('0')).arg((i / 8) % 32, 2, 16, QLatin1Char('0')).arg(i % 8);
        const QString folder = QStringLiteral("/sys/devices/pci0000:00/") + address;
        const int deviceId = kind == 3 ? 0x9000 + i % 100 : 0x1000 + driver;
        const QByteArray name = "benchdrv" + QByteArray::number(driver);
        const bool bound = kind == 0 || kind == 2;
        const QByteArray modalias = "pci:v00008086d0000" + hex(deviceId, 4) + "sv00008086sd00000000bc02sc00i00";
        // As the kernel writes them: the uevent names the driver and the alias too.
        write(root + folder + QStringLiteral("/uevent"), (bound ? "DRIVER=" + name + '\n' : QByteArray()) + "PCI_CLASS=20000\nPCI_ID=8086:"
                  + hex(deviceId, 4) + "\nPCI_SUBSYS_ID=8086:0000\nPCI_SLOT_NAME=" + address.toLatin1() + "\nMODALIAS=" + modalias + '\n');
        write(root + folder + QStringLiteral("/modalias"), modalias + '\n');
        write(root + folder + QStringLiteral("/vendor"), "0x8086\n");
        write(root + folder + QStringLiteral("/device"), "0x" + hex(deviceId, 4).toLower() + '\n');
        write(root + folder + QStringLiteral("/subsystem_vendor"), "0x8086\n");
        write(root + folder + QStringLiteral("/subsystem_device"), "0x0000\n");
        write(root + folder + QStringLiteral("/class"), "0x020000\n");
        write(root + folder + QStringLiteral("/irq"), "0\n");
        write(root + folder + QStringLiteral("/resource"), "0x0000000000000000 0x0000000000000000 0x0000000000000000\n");
        write(root + folder + QStringLiteral("/revision"), "0x01\n");
        link(root, folder + QStringLiteral("/subsystem"), QStringLiteral("/sys/bus/pci"));
        link(root, QStringLiteral("/sys/bus/pci/devices/") + address, folder);
        if (bound) {
            link(root, folder + QStringLiteral("/driver"), QStringLiteral("/sys/bus/pci/drivers/") + QString::fromLatin1(name));
            link(root, QStringLiteral("/sys/bus/pci/drivers/") + QString::fromLatin1(name) + QStringLiteral("/module"),
                 QStringLiteral("/sys/module/") + QString::fromLatin1(name));
            write(root + QStringLiteral("/sys/module/") + QString::fromLatin1(name) + QStringLiteral("/initstate"), "live\n");
        }
        ++made;
        if (bound && made < devices) {
            const QString usb = folder + QStringLiteral("/usb%1/%1-1").arg(i + 1);
            const QString interface = usb + QStringLiteral("/%1-1:1.0").arg(i + 1);
            write(root + usb + QStringLiteral("/idVendor"), "046d\n");
            write(root + usb + QStringLiteral("/idProduct"), hex(0xC000 + driver, 4).toLower() + '\n');
            write(root + usb + QStringLiteral("/product"), "Bench Device\n");
            write(root + usb + QStringLiteral("/bNumInterfaces"), " 1\n");
            link(root, usb + QStringLiteral("/subsystem"), QStringLiteral("/sys/bus/usb"));
            link(root, QStringLiteral("/sys/bus/usb/devices/%1-1").arg(i + 1), usb);
            const QByteArray usbAlias = "usb:v046Dp" + hex(0xC000 + driver, 4) + "d0100dc00dsc00dp00ic03isc01ip02in00";
            write(root + interface + QStringLiteral("/modalias"), usbAlias + '\n');
            write(root + interface + QStringLiteral("/uevent"), "DEVTYPE=usb_interface\nMODALIAS=" + usbAlias + '\n');
            write(root + interface + QStringLiteral("/bInterfaceClass"), "03\n");
            link(root, interface + QStringLiteral("/subsystem"), QStringLiteral("/sys/bus/usb"));
            link(root, QStringLiteral("/sys/bus/usb/devices/%1-1:1.0").arg(i + 1), interface);
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
    if (arguments.size() == 4 && arguments[1] == QLatin1String("report"))
        return report(arguments[2], arguments[3].toInt());
    if (arguments.size() == 4 && arguments[1] == QLatin1String("generate"))
        return generate(arguments[2], arguments[3].toInt());
    std::fprintf(stderr, "usage: bench_drivers report ROOT REPEATS | generate ROOT DEVICES\n");
    return 2;
}
