#pragma once
#include "platform/management/managementprovider.h"

#include <QString>

#include <functional>
#include <memory>

namespace platform {

namespace linuxhw {
class SysRoot;
}

// The live provider: answers the management classes from /sys, /proc and the firmware
// tables of a Linux machine, all read under a configurable root so tests can use fake trees.
class LinuxProvider final : public ManagementProvider {
public:
    struct Options {
        QString root = QStringLiteral("/"); // prefix of every /sys, /proc and /etc path
        QString pciIds;                      // empty: the system's pci.ids
        QString usbIds;                      // empty: the system's usb.ids
        QString pnpIds;                      // empty: the system's pnp.ids
        QString osRelease;                   // empty: os-release under the root
        // One reading of the machine for every class asked of the provider, each file read
        // once: for the command-line inventory, which lists every class at once. Otherwise
        // every enumeration reads the machine afresh.
        bool snapshot = false;

        // DRIVERSEARCHER_ROOT, DRIVERSEARCHER_PCI_IDS, DRIVERSEARCHER_USB_IDS, DRIVERSEARCHER_PNP_IDS,
        // DRIVERSEARCHER_OS_RELEASE.
        static Options fromEnvironment();
    };

    // Raises WmiError when the root is not a folder that can be read.
    explicit LinuxProvider(Options options);
    ~LinuxProvider() override;

    std::vector<WmiObject> instancesOf(const QString &nameSpace, const QString &className) override;
    BatteryFigures batteryFigures() override;

    const Options &options() const { return options_; }

private:
    Options options_;
    std::unique_ptr<linuxhw::SysRoot> snapshot_;
};

} // namespace platform
