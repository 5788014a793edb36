// The driver report: every sysfs device with a module alias, the driver bound to it, the
// modules of the kernel's index that claim it, their firmware, and the packages to install.
#include "platform/linux/driverreport.h"

#include "platform/linux/firmware.h"
#include "platform/linux/moduleindex.h"
#include "platform/linux/sources.h"

#include <QSet>

#include <algorithm>

#include <sys/utsname.h>

namespace platform::linuxhw {

QString driverInUse(const SysRoot &root, const PnpDevice &device)
{
    if (device.driver != QLatin1String("virtio-pci") && device.driver != QLatin1String("virtio-mmio"))
        return device.driver;
    for (const QString &entry : root.entries(device.sysPath)) {
        if (!entry.startsWith(QLatin1String("virtio")))
            continue;
        const QString function = root.linkTarget(device.sysPath + QLatin1Char('/') + entry + QStringLiteral("/driver"));
        if (!function.isEmpty())
            return function;
    }
    return device.driver;
}

bool DriverEntry::needsAction() const
{
    switch (status) {
    case Status::MissingFirmware:
    case Status::NotLoaded:
        return true;
    case Status::NotBound:
    case Status::NothingKnown:
        return needsDriver || !install.isEmpty();
    case Status::InUse:
    case Status::Blacklisted:
    case Status::NoneNeeded:
        return !install.isEmpty();
    }
    return false;
}

namespace {

// The release of the kernel the tree belongs to; this machine's when reading the machine itself.
QString kernelRelease(const SysRoot &root)
{
    QString release = root.readValue(QStringLiteral("/proc/sys/kernel/osrelease"));
    if (release.isEmpty() && root.isLive()) {
        utsname names{};
        if (uname(&names) == 0)
            release = QString::fromLatin1(names.release);
    }
    // It names a folder: nothing that could leave /lib/modules.
    if (release.contains(QLatin1Char('/')) || release == QLatin1String("..") || release == QLatin1String("."))
        return {};
    return release;
}

// Loaded modules, by their kernel names: /sys/module/NAME/initstate, or /proc/modules.
QSet<QString> loadedModules(const SysRoot &root)
{
    QSet<QString> loaded;
    for (const QString &line : root.readText(QStringLiteral("/proc/modules"), 4 * 1024 * 1024).split(QLatin1Char('\n')))
        if (const QString name = line.section(QLatin1Char(' '), 0, 0); !name.isEmpty())
            loaded.insert(name);
    for (const QString &name : root.entries(QStringLiteral("/sys/module")))
        if (root.exists(QStringLiteral("/sys/module/") + name + QStringLiteral("/initstate")))
            loaded.insert(name);
    return loaded;
}

QSet<QString> blacklistedModules(const SysRoot &root, const QStringList &configDirectories)
{
    QSet<QString> blacklisted;
    for (const QString &folder : configDirectories) {
        for (const QString &file : root.entries(folder)) {
            if (!file.endsWith(QLatin1String(".conf")))
                continue;
            for (const QString &line : root.readText(folder + QLatin1Char('/') + file).split(QLatin1Char('\n'))) {
                const QStringList words = line.simplified().split(QLatin1Char(' '));
                if (words.size() >= 2 && words[0] == QLatin1String("blacklist"))
                    blacklisted.insert(QString(words[1]).replace(QLatin1Char('-'), QLatin1Char('_')));
            }
        }
    }
    return blacklisted;
}

const QStringList &configDirectories()
{
    static const QStringList folders = {QStringLiteral("/etc/modprobe.d"), QStringLiteral("/run/modprobe.d"),
                                        QStringLiteral("/usr/local/lib/modprobe.d"), QStringLiteral("/lib/modprobe.d")};
    return folders;
}

// A sysfs device with a module alias, found on its bus.
struct AliasedDevice {
    QString path;     // machine form, resolved
    QString folder;   // where it was found
    QString modalias;
    QString driver;
};

// The uevent file names the alias and the bound driver in one read; trees copied without it
// still have the attribute and the link.
void readAliasAndDriver(const SysRoot &root, const QString &folder, QString &modalias, QString &driver)
{
    const auto uevent = root.uevent(folder);
    modalias = uevent.value("MODALIAS");
    if (modalias.isEmpty())
        modalias = root.readValue(folder + QStringLiteral("/modalias"));
    driver = uevent.value("DRIVER");
    if (driver.isEmpty() && !modalias.isEmpty())
        driver = root.linkTarget(folder + QStringLiteral("/driver"));
}

// Every device of every bus that has a module alias, once each. An ACPI node stands for the
// device that does its work (its physical node), where drivers bind.
std::vector<AliasedDevice> aliasedDevices(const SysRoot &root)
{
    std::vector<AliasedDevice> devices;
    QSet<QString> seen;
    auto add = [&](const QString &path, const QString &folder, const QString &modalias, const QString &driver) {
        if (modalias.isEmpty() || seen.contains(path))
            return;
        seen.insert(path);
        devices.push_back({path, folder, modalias, driver});
    };
    // Processors and memory blocks carry aliases for optional helpers (crypto, frequency
    // scaling), not for drivers they need. ACPI nodes come last: they stand for other devices.
    static const QSet<QString> skipped = {QStringLiteral("cpu"), QStringLiteral("memory"), QStringLiteral("node"),
                                          QStringLiteral("acpi")};
    QString modalias, driver;
    for (const QString &bus : root.entries(QStringLiteral("/sys/bus"))) {
        if (skipped.contains(bus))
            continue;
        const QString busFolder = QStringLiteral("/sys/bus/") + bus + QStringLiteral("/devices/");
        for (const QString &entry : root.entries(busFolder)) {
            const QString link = busFolder + entry;
            readAliasAndDriver(root, link, modalias, driver);
            if (modalias.isEmpty() && bus == QLatin1String("pnp")) {
                // PnP devices name their IDs but export no alias; modules claim them as "pnp:dID".
                const QString id = root.readText(link + QStringLiteral("/id")).section(QLatin1Char('\n'), 0, 0).trimmed();
                if (!id.isEmpty()) {
                    modalias = QStringLiteral("pnp:d") + id;
                    driver = root.linkTarget(link + QStringLiteral("/driver"));
                }
            }
            if (modalias.isEmpty())
                continue;
            const QString path = root.resolved(link);
            add(path.isEmpty() ? link : path, link, modalias, driver);
        }
    }
    // An ACPI node is driven through its physical node, unless a driver took the node itself.
    for (const QString &entry : root.entries(QStringLiteral("/sys/bus/acpi/devices"))) {
        if (entry.startsWith(QLatin1String("LNX")) || entry.startsWith(QLatin1String("device:")))
            continue; // containers of the firmware's namespace, never driven
        const QString node = QStringLiteral("/sys/bus/acpi/devices/") + entry;
        readAliasAndDriver(root, node, modalias, driver);
        const QString physical = root.resolved(node + QStringLiteral("/physical_node"));
        if (!physical.isEmpty() && driver.isEmpty()) {
            add(physical, physical, modalias, root.linkTarget(physical + QStringLiteral("/driver")));
        } else {
            const QString path = root.resolved(node);
            add(path.isEmpty() ? node : path, node, modalias, driver);
        }
    }
    return devices;
}

} // namespace

DriverReport buildDriverReport(const LinuxProvider::Options &options)
{
    const SysRoot root(options);
    DriverReport report;
    report.computer = computerName(root);
    report.kernelRelease = kernelRelease(root);
    if (!report.kernelRelease.isEmpty())
        report.moduleDirectory = QStringLiteral("/lib/modules/") + report.kernelRelease;
    QStringList configFolders;
    for (const QString &folder : configDirectories())
        configFolders << root.hostPath(folder);
    ModuleIndex index(report.moduleDirectory.isEmpty() ? QString() : root.hostPath(report.moduleDirectory), configFolders);
    report.moduleIndex = index.available();
    report.codename = osReleaseField(root, QStringLiteral("VERSION_CODENAME"));
    DebianPackages packages(root, report.codename);
    report.packageData = packages.available();
    FirmwareFolders firmware(root, report.kernelRelease);
    const QSet<QString> loaded = loadedModules(root);
    const QSet<QString> blacklisted = blacklistedModules(root, configDirectories());

    // The inventory's devices by their sysfs folder: names and IDs come from there.
    const std::vector<PnpDevice> inventory = allPnpDevices(root);
    QHash<QString, size_t> byPath;
    for (size_t i = 0; i < inventory.size(); ++i) {
        const QString path = root.resolved(inventory[i].sysPath);
        byPath.insert(path.isEmpty() ? inventory[i].sysPath : path, i);
    }

    std::vector<DriverEntry> entries;
    for (const AliasedDevice &device : aliasedDevices(root)) {
        DriverEntry entry;
        entry.sysPath = device.path;
        entry.modalias = device.modalias;
        entry.driver = device.driver;
        // The device itself, or the inventory device it is a function of (a USB interface of
        // its device, a virtio function of its PCI card).
        for (QString path = device.path; path.startsWith(QLatin1String("/sys/devices/")); path = parentPath(path)) {
            if (const auto it = byPath.constFind(path); it != byPath.constEnd()) {
                const PnpDevice &owner = inventory[*it];
                entry.caption = owner.caption;
                entry.deviceId = owner.deviceId;
                entry.hardwareId = owner.hardwareIds.value(0, owner.deviceId.section(QLatin1Char('\\'), 0, 1));
                entry.needsDriver = owner.needsDriver;
                break;
            }
        }
        if (entry.caption.isEmpty())
            entry.caption = baseName(device.path) + QStringLiteral(" (") + device.modalias.section(QLatin1Char(':'), 0, 0)
                + QStringLiteral(" device)");

        QStringList aliases{device.modalias};
        for (const KernelModule &module : index.modulesFor(device.modalias)) {
            const QString state = module.builtIn              ? QStringLiteral("built in")
                : loaded.contains(module.name)                ? QStringLiteral("loaded")
                : blacklisted.contains(module.name)           ? QStringLiteral("blacklisted")
                                                              : QStringLiteral("not loaded");
            ModuleCandidate candidate{module.name, state, {}};
            for (const QString &file : module.firmware)
                candidate.firmware.push_back({file, firmware.present(file), {}});
            entry.modules.push_back(candidate);
        }

        // Whose firmware matters: the bound driver's module, or every module that could bind.
        // A driver named like one of the modules is that module; any other names its module.
        QString boundModule = QString(entry.driver).replace(QLatin1Char('-'), QLatin1Char('_'));
        bool named = false;
        for (const ModuleCandidate &candidate : entry.modules)
            named = named || candidate.name == boundModule;
        if (!entry.driver.isEmpty() && !named) {
            entry.driverModule = root.linkTarget(device.folder + QStringLiteral("/driver/module"));
            if (!entry.driverModule.isEmpty())
                boundModule = entry.driverModule;
        }
        for (ModuleCandidate &candidate : entry.modules) {
            if (!entry.driver.isEmpty() && candidate.name != boundModule)
                continue;
            aliases << QStringLiteral("lkmodule:") + candidate.name;
            bool anyPresent = false;
            for (const FirmwareFile &file : candidate.firmware)
                anyPresent = anyPresent || file.present;
            for (FirmwareFile &file : candidate.firmware) {
                if (file.present)
                    continue;
                file.providers = packages.firmwareProviders(file.file);
                bool installable = false;
                for (const DebianPackage &provider : file.providers)
                    if (!packages.installed(provider.name)) {
                        installable = true;
                        if (!entry.install.contains(provider.name))
                            entry.install << provider.name;
                    }
                // A module lists every firmware of every chip it drives: a missing file counts
                // when a package would bring it, or when none of the module's files is there.
                if (installable || (file.providers.empty() && !anyPresent))
                    entry.missingFirmware.push_back(file);
            }
        }
        for (const QString &alias : aliases)
            for (const QString &package : packages.packagesFor(alias))
                if (!entry.install.contains(package) && !packages.installed(package))
                    entry.install << package;

        bool notLoaded = false, usable = false, allBlacklisted = !entry.modules.empty();
        for (const ModuleCandidate &candidate : entry.modules) {
            notLoaded = notLoaded || candidate.state == QLatin1String("not loaded");
            usable = usable || candidate.state == QLatin1String("loaded") || candidate.state == QLatin1String("built in");
            allBlacklisted = allBlacklisted && candidate.state == QLatin1String("blacklisted");
        }
        using Status = DriverEntry::Status;
        if (!entry.driver.isEmpty())
            entry.status = entry.missingFirmware.empty() ? Status::InUse : Status::MissingFirmware;
        else if (notLoaded)
            entry.status = Status::NotLoaded;
        else if (!entry.missingFirmware.empty())
            entry.status = Status::MissingFirmware;
        else if (allBlacklisted)
            entry.status = Status::Blacklisted;
        else if (usable)
            entry.status = Status::NotBound;
        else
            entry.status = entry.needsDriver || entry.deviceId.isEmpty() ? Status::NothingKnown : Status::NoneNeeded;
        entries.push_back(std::move(entry));
    }
    std::stable_partition(entries.begin(), entries.end(), [](const DriverEntry &entry) { return entry.needsAction(); });
    report.devices = std::move(entries);
    return report;
}

} // namespace platform::linuxhw
