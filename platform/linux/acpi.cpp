// ACPI and PnP devices (/sys/bus/acpi/devices, /sys/bus/pnp/devices): keyboard controller,
// ports, timers, batteries and the other devices of the board.
#include "platform/linux/genericnames.h"
#include "platform/linux/sources.h"

#include <QSet>

namespace platform::linuxhw {

QHash<QString, QString> parallelPortsByDevice(const SysRoot &root);
QString parallelPortCaption(const QString &portName, bool ecp);

namespace {

QString setupClassOf(const QString &hid)
{
    if (hid == QLatin1String("PNP0303") || hid == QLatin1String("PNP030B"))
        return QStringLiteral("Keyboard");
    if (hid.startsWith(QLatin1String("PNP0F")))
        return QStringLiteral("Mouse");
    if (hid == QLatin1String("PNP0500") || hid == QLatin1String("PNP0501") || hid == QLatin1String("PNP0400")
        || hid == QLatin1String("PNP0401"))
        return QStringLiteral("Ports");
    if (hid == QLatin1String("PNP0C0A") || hid == QLatin1String("ACPI0003"))
        return QStringLiteral("Battery");
    if (hid == QLatin1String("PNP0700"))
        return QStringLiteral("fdc");
    return QStringLiteral("System");
}

QString manufacturerOf(const QString &setupClass)
{
    if (setupClass == QLatin1String("Keyboard"))
        return QStringLiteral("(Standard keyboards)");
    if (setupClass == QLatin1String("Mouse"))
        return QStringLiteral("Microsoft");
    if (setupClass == QLatin1String("Ports"))
        return QStringLiteral("(Standard port types)");
    if (setupClass == QLatin1String("Battery"))
        return QStringLiteral("Microsoft");
    return QStringLiteral("(Standard system devices)");
}

struct Candidate {
    QString hid;
    QString instance;
    QString folder;             // the ACPI or PnP folder
    QStringList physicalNodes;  // the devices that do the work
    QStringList compatible;
};

PnpDevice describe(const SysRoot &root, const Candidate &candidate, const QHash<QString, QString> &serial,
                   const QHash<QString, QString> &parallel)
{
    PnpDevice device;
    device.sysPath = candidate.physicalNodes.isEmpty() ? candidate.folder : candidate.physicalNodes.first();
    device.deviceId = QStringLiteral("ACPI\\") + candidate.hid + QLatin1Char('\\') + candidate.instance;
    device.hardwareIds = {QStringLiteral("ACPI\\") + candidate.hid, QLatin1Char('*') + candidate.hid};
    for (const QString &id : candidate.compatible)
        device.compatibleIds << QStringLiteral("ACPI\\") + id << QLatin1Char('*') + id;
    device.driver = root.linkTarget(candidate.folder + QStringLiteral("/driver"));
    for (const QString &node : candidate.physicalNodes) {
        if (device.driver.isEmpty())
            device.driver = root.linkTarget(node + QStringLiteral("/driver"));
        if (serial.contains(node))
            device.caption = serialPortCaption(serial.value(node));
        if (parallel.contains(node))
            device.caption = parallelPortCaption(parallel.value(node), candidate.hid == QLatin1String("PNP0401"));
    }
    const QString genericName = generic::acpiName(candidate.hid);
    if (device.caption.isEmpty())
        device.caption = genericName;
    // Windows has its own drivers for the generic board devices; anything else without a
    // driver is an unknown device waiting for one.
    device.needsDriver = genericName.isEmpty();
    if (device.caption.isEmpty())
        device.caption = QStringLiteral("Unknown device");
    device.pnpClass = setupClassOf(candidate.hid);
    if (!genericName.isEmpty())
        device.manufacturer = manufacturerOf(device.pnpClass);
    return device;
}

QStringList modaliasIds(const QString &modalias)
{
    // "acpi:PNP0A08:PNP0A03:" → the IDs after the first.
    QStringList ids = modalias.section(QLatin1Char(':'), 1).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (!ids.isEmpty())
        ids.removeFirst();
    return ids;
}

} // namespace

std::vector<PnpDevice> acpiDevices(const SysRoot &root)
{
    std::vector<Candidate> candidates;
    QSet<QString> firmwareNodes;
    for (const QString &entry : root.entries(QStringLiteral("/sys/bus/acpi/devices"))) {
        // Containers, anonymous scopes and processors (listed from the processor source).
        if (entry.startsWith(QLatin1String("LNX")) || entry.startsWith(QLatin1String("device:"))
            || entry.startsWith(QLatin1String("ACPI0007")))
            continue;
        const QString link = QStringLiteral("/sys/bus/acpi/devices/") + entry;
        QString folder = root.resolved(link);
        if (folder.isEmpty())
            folder = link;
        const QString hid = root.readValue(folder + QStringLiteral("/hid"));
        if (hid.isEmpty())
            continue;
        const auto status = root.readNumber(folder + QStringLiteral("/status"));
        if (status && (*status & 1) == 0)
            continue; // not present
        Candidate candidate;
        candidate.hid = hid.toUpper();
        QString uid = root.readValue(folder + QStringLiteral("/uid"));
        if (uid.isEmpty()) {
            bool ok = false;
            const int number = entry.section(QLatin1Char(':'), 1).toInt(&ok, 16);
            uid = ok ? QString::number(number) : QStringLiteral("0");
        }
        candidate.instance = uid;
        candidate.folder = folder;
        for (const QString &node : root.entries(folder))
            if (node.startsWith(QLatin1String("physical_node")))
                if (const QString path = root.resolved(folder + QLatin1Char('/') + node); !path.isEmpty())
                    candidate.physicalNodes << path;
        candidate.compatible = modaliasIds(root.readValue(folder + QStringLiteral("/modalias")));
        firmwareNodes.insert(folder);
        candidates.push_back(candidate);
    }
    // Plug-and-play devices the firmware tables do not describe (PnP BIOS machines).
    for (const QString &entry : root.entries(QStringLiteral("/sys/bus/pnp/devices"))) {
        const QString link = QStringLiteral("/sys/bus/pnp/devices/") + entry;
        QString folder = root.resolved(link);
        if (folder.isEmpty())
            folder = link;
        const QString firmware = root.resolved(folder + QStringLiteral("/firmware_node"));
        if (!firmware.isEmpty() && firmwareNodes.contains(firmware))
            continue;
        const QStringList ids = root.readText(folder + QStringLiteral("/id")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (ids.isEmpty())
            continue;
        Candidate candidate;
        candidate.hid = ids.first().trimmed().toUpper();
        candidate.instance = entry;
        candidate.instance.replace(QLatin1Char(':'), QLatin1Char('_'));
        candidate.folder = folder;
        candidate.physicalNodes << folder;
        for (qsizetype i = 1; i < ids.size(); ++i)
            candidate.compatible << ids[i].trimmed().toUpper();
        candidates.push_back(candidate);
    }

    const QHash<QString, QString> serial = serialPortsByDevice(root);
    const QHash<QString, QString> parallel = parallelPortsByDevice(root);
    std::vector<PnpDevice> devices;
    // The firmware's root: the computer's ACPI system device.
    if (root.exists(QStringLiteral("/sys/bus/acpi/devices/LNXSYSTM:00"))) {
        PnpDevice system;
        system.sysPath = root.resolved(QStringLiteral("/sys/bus/acpi/devices/LNXSYSTM:00"));
        system.deviceId = QStringLiteral("ACPI_HAL\\PNP0C08\\0");
        system.hardwareIds = {QStringLiteral("ACPI_HAL\\PNP0C08"), QStringLiteral("*PNP0C08")};
        system.caption = QStringLiteral("Microsoft ACPI-Compliant System");
        system.manufacturer = QStringLiteral("Microsoft");
        system.pnpClass = QStringLiteral("System");
        system.needsDriver = false;
        devices.push_back(system);
    }
    for (const Candidate &candidate : candidates)
        devices.push_back(describe(root, candidate, serial, parallel));
    return devices;
}

} // namespace platform::linuxhw
