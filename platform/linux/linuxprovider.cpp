#include "platform/linux/linuxprovider.h"

#include "platform/linux/sources.h"

namespace platform {

LinuxProvider::Options LinuxProvider::Options::fromEnvironment()
{
    Options options;
    const QString root = qEnvironmentVariable("DRIVERSEARCHER_ROOT");
    if (!root.isEmpty())
        options.root = root;
    options.pciIds = qEnvironmentVariable("DRIVERSEARCHER_PCI_IDS");
    options.usbIds = qEnvironmentVariable("DRIVERSEARCHER_USB_IDS");
    options.pnpIds = qEnvironmentVariable("DRIVERSEARCHER_PNP_IDS");
    options.osRelease = qEnvironmentVariable("DRIVERSEARCHER_OS_RELEASE");
    return options;
}

LinuxProvider::LinuxProvider(Options options) : options_(std::move(options))
{
    linuxhw::SysRoot root(options_); // a root that cannot be read fails the connection, once
}

LinuxProvider::~LinuxProvider() = default;

std::vector<WmiObject> LinuxProvider::instancesOf(const QString &nameSpace, const QString &className)
{
    const QString ns = normalisedNamespace(nameSpace);
    const linuxhw::ClassSource *source = linuxhw::findClassSource(ns, className);
    if (!source)
        throw WmiError(QStringLiteral("Invalid class \"%1\" in namespace \"%2\"").arg(className, nameSpace));
    if (options_.snapshot) {
        if (!snapshot_)
            snapshot_ = std::make_unique<linuxhw::SysRoot>(options_);
        return (*source)(*snapshot_);
    }
    linuxhw::SysRoot root(options_);
    return (*source)(root);
}

BatteryFigures LinuxProvider::batteryFigures()
{
    if (options_.snapshot) {
        if (!snapshot_)
            snapshot_ = std::make_unique<linuxhw::SysRoot>(options_);
        return linuxhw::readBatteryFigures(*snapshot_);
    }
    linuxhw::SysRoot root(options_);
    return linuxhw::readBatteryFigures(root);
}

} // namespace platform
