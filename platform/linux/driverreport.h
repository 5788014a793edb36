#pragma once
#include "platform/linux/debianpackages.h"
#include "platform/linux/linuxprovider.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace platform::linuxhw {

class SysRoot;
struct PnpDevice;

// The driver that does a device's work: the one bound to it, or for a device whose bound
// driver only carries a transport (virtio-pci), the driver bound to its function.
QString driverInUse(const SysRoot &root, const PnpDevice &device);

// Which driver each device needs on Linux, whether it is there, and what to install: every
// device with a module alias, matched against the kernel's module index, the firmware the
// matching modules declare, and Debian's package tables. Everything is read under the root.
struct FirmwareFile {
    QString file;
    bool present = false;
    std::vector<DebianPackage> providers; // the packages that ship it, when the tables are there
};

struct ModuleCandidate {
    QString name;
    QString state; // "built in", "loaded", "not loaded", "blacklisted"
    std::vector<FirmwareFile> firmware;
};

struct DriverEntry {
    enum class Status {
        InUse,           // a driver is bound and nothing is missing
        MissingFirmware, // a driver's firmware is missing
        NotLoaded,       // a module claims the device but is not loaded
        Blacklisted,     // the modules that claim it are blacklisted by the system's settings
        NotBound,        // a module that claims it is loaded or built in, yet did not take it
        NothingKnown,    // no driver, no module, no package
        NoneNeeded,      // no driver, and the device works without one
    };

    QString caption;     // the device's name in the hardware tree
    QString deviceId;    // its PNPDeviceID ("PCI\VEN_10EC&DEV_8168&...\0000:02:00.0")
    QString hardwareId;  // its most specific hardware ID, what driver databases match on
    QString sysPath;     // the sysfs device, machine form
    QString modalias;
    QString driver;       // the driver bound to the sysfs device, empty when none
    QString driverModule; // the module that provides it, when named otherwise than the driver
    bool needsDriver = false;
    std::vector<ModuleCandidate> modules;
    std::vector<FirmwareFile> missingFirmware; // missing files a user can do something about
    QStringList install;                       // packages to install (not installed yet)
    Status status = Status::NothingKnown;

    bool needsAction() const;
};

struct DriverReport {
    QString computer;
    QString kernelRelease;
    QString moduleDirectory; // machine form ("/lib/modules/6.1.0-13-amd64")
    bool moduleIndex = false; // false: the kernel runs on built-in drivers only
    bool packageData = false; // Debian's hardware tables were found
    QString codename;         // the distribution release the tables are chosen for
    std::vector<DriverEntry> devices; // those that need action first, then in bus order
};

DriverReport buildDriverReport(const LinuxProvider::Options &options);

// The report as the command line prints it: readable text, or JSON.
QByteArray driverReportText(const DriverReport &report);
QByteArray driverReportJson(const DriverReport &report);
// One sentence on what Linux offers for a device ("In use: r8169.", "Missing firmware ...").
QString driverSummary(const DriverReport &report, const DriverEntry &entry);
QString statusName(DriverEntry::Status status);

} // namespace platform::linuxhw
