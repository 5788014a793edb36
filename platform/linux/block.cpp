// Disks, optical and floppy drives from /sys/class/block, tapes from /sys/class/scsi_tape.
#include "platform/linux/sources.h"

#include <QRegularExpression>

namespace platform::linuxhw {

namespace {

enum class DriveKind { Disk, Optical, Floppy, Tape };

struct Drive {
    QString name;      // "sda", "sr0", "st0"
    QString folder;    // /sys/class/block/sda
    QString device;    // resolved device folder
    DriveKind kind = DriveKind::Disk;
    QString vendor, model, revision, serial;
    QString transport; // "SCSI", "IDE", "USB", "NVMe", "virtio", "MMC"
    QString hctl;      // "0:0:0:0" for SCSI devices
};

QString clean(QString text)
{
    return text.simplified();
}

QString transportOf(const QString &path)
{
    if (path.contains(QLatin1String("/usb")))
        return QStringLiteral("USB");
    if (path.contains(QLatin1String("/nvme")))
        return QStringLiteral("NVMe");
    if (path.contains(QLatin1String("/ata")))
        return QStringLiteral("IDE");
    if (path.contains(QLatin1String("/virtio")))
        return QStringLiteral("virtio");
    if (path.contains(QLatin1String("/mmc")))
        return QStringLiteral("MMC");
    return QStringLiteral("SCSI");
}

Drive readDrive(const SysRoot &root, const QString &name, const QString &folder, DriveKind kind)
{
    Drive drive;
    drive.name = name;
    drive.folder = folder;
    drive.kind = kind;
    drive.device = root.resolved(folder + QStringLiteral("/device"));
    const QString own = root.resolved(folder);
    if (drive.device.isEmpty() && own.contains(QLatin1String("/block/")))
        drive.device = own.left(own.lastIndexOf(QLatin1String("/block/"))); // the SCSI device holding the disk
    const QString device = drive.device;
    drive.vendor = clean(root.readValue(device + QStringLiteral("/vendor")));
    // A bus ID ("0x1af4" of virtio or PCI) is not a vendor name.
    if (drive.vendor.startsWith(QLatin1String("0x")))
        drive.vendor.clear();
    drive.model = clean(root.readValue(device + QStringLiteral("/model")));
    if (drive.model.isEmpty())
        drive.model = clean(root.readValue(own + QStringLiteral("/model"))); // an NVMe controller's own folder
    if (drive.model.isEmpty())
        drive.model = clean(root.readValue(device + QStringLiteral("/name"))); // MMC cards
    drive.revision = clean(root.readValue(device + QStringLiteral("/rev")));
    if (drive.revision.isEmpty())
        drive.revision = clean(root.readValue(device + QStringLiteral("/firmware_rev")));
    drive.serial = clean(root.readValue(device + QStringLiteral("/serial")));
    if (drive.serial.isEmpty())
        drive.serial = clean(root.readValue(own + QStringLiteral("/serial")));
    drive.transport = transportOf(own.isEmpty() ? device : own);
    static const QRegularExpression hctl(QStringLiteral("^\\d+:\\d+:\\d+:\\d+$"));
    if (hctl.match(baseName(drive.device)).hasMatch())
        drive.hctl = baseName(drive.device);
    return drive;
}

std::vector<Drive> drives(const SysRoot &root)
{
    std::vector<Drive> result;
    for (const QString &name : root.entries(QStringLiteral("/sys/class/block"))) {
        const QString folder = QStringLiteral("/sys/class/block/") + name;
        // Partitions and devices without hardware (loop, ram, zram, device mapper, md).
        const QString own = root.resolved(folder);
        if (root.exists(folder + QStringLiteral("/partition")) || baseName(parentPath(parentPath(own))) == QLatin1String("block"))
            continue;
        if (!own.startsWith(QLatin1String("/sys/devices/"))
            || (!root.exists(folder + QStringLiteral("/device")) && own.contains(QLatin1String("/virtual/"))))
            continue;
        DriveKind kind = DriveKind::Disk;
        if (name.startsWith(QLatin1String("sr")) || root.readValue(folder + QStringLiteral("/device/type")) == QLatin1String("5"))
            kind = DriveKind::Optical;
        else if (name.startsWith(QLatin1String("fd")))
            kind = DriveKind::Floppy;
        result.push_back(readDrive(root, name, folder, kind));
    }
    for (const QString &name : root.entries(QStringLiteral("/sys/class/scsi_tape"))) {
        static const QRegularExpression rewinding(QStringLiteral("^st\\d+$"));
        if (rewinding.match(name).hasMatch())
            result.push_back(readDrive(root, name, QStringLiteral("/sys/class/scsi_tape/") + name, DriveKind::Tape));
    }
    return result;
}

QString driveCaption(const Drive &drive)
{
    QString caption = drive.vendor.isEmpty() || drive.vendor.compare(QLatin1String("ATA"), Qt::CaseInsensitive) == 0
        ? drive.model
        : clean(drive.vendor + QLatin1Char(' ') + drive.model);
    if (!caption.isEmpty())
        return caption;
    if (drive.transport == QLatin1String("virtio"))
        return QStringLiteral("Virtio Block Device");
    switch (drive.kind) {
    case DriveKind::Optical: return QStringLiteral("CD-ROM Drive");
    case DriveKind::Floppy: return QStringLiteral("Floppy disk drive");
    case DriveKind::Tape: return QStringLiteral("Tape drive");
    case DriveKind::Disk: break;
    }
    return QStringLiteral("Disk drive");
}

QString idPart(const QString &text)
{
    QString part = text.simplified().toUpper();
    part.replace(QLatin1Char(' '), QLatin1Char('_'));
    part.remove(QLatin1Char('\\'));
    return part;
}

PnpDevice describeDrive(const SysRoot &root, const Drive &drive)
{
    PnpDevice device;
    device.sysPath = drive.device.isEmpty() ? drive.folder : drive.device;
    static const char *const types[] = {"DISK", "CDROM", "SFLOPPY", "SEQUENTIAL"};
    const QString type = QString::fromLatin1(types[int(drive.kind)]);
    QString vendor = drive.vendor;
    if (vendor.isEmpty())
        vendor = drive.transport == QLatin1String("NVMe") ? QStringLiteral("NVMe") : drive.transport;
    // A drive without a model (virtio) is named by its kind, never by the kernel's name for it:
    // two such disks are the same product.
    const QString product = drive.model.isEmpty() ? driveCaption(drive) : drive.model;
    const QString hardware = (drive.transport == QLatin1String("USB") ? QStringLiteral("USBSTOR\\") : QStringLiteral("SCSI\\"))
        + type + QStringLiteral("&VEN_") + idPart(vendor) + QStringLiteral("&PROD_") + idPart(product);
    if (!drive.revision.isEmpty())
        device.hardwareIds << hardware + QStringLiteral("&REV_") + idPart(drive.revision);
    device.hardwareIds << hardware;
    device.deviceId = device.hardwareIds.first() + QLatin1Char('\\') + (drive.hctl.isEmpty() ? drive.name : drive.hctl);
    device.caption = driveCaption(drive);
    static const char *const classes[] = {"DiskDrive", "CDROM", "FloppyDisk", "TapeDrive"};
    device.pnpClass = QString::fromLatin1(classes[int(drive.kind)]);
    device.manufacturer = drive.kind == DriveKind::Disk ? QStringLiteral("(Standard disk drives)")
                                                         : drive.kind == DriveKind::Optical ? QStringLiteral("(Standard CD-ROM drives)")
                                                                                            : QString();
    device.driver = root.linkTarget(drive.device + QStringLiteral("/driver"));
    if (device.driver.isEmpty())
        device.driver = root.uevent(drive.device).value("DRIVER");
    // A block device exists only because a driver made it.
    device.needsDriver = false;
    return device;
}

void setScsiAddress(Instance &instance, const Drive &drive)
{
    if (drive.hctl.isEmpty())
        return;
    const QStringList parts = drive.hctl.split(QLatin1Char(':'));
    instance.number(QStringLiteral("SCSIPort"), parts[0].toInt());
    instance.number(QStringLiteral("SCSIBus"), parts[1].toInt());
    instance.number(QStringLiteral("SCSITargetId"), parts[2].toInt());
    instance.number(QStringLiteral("SCSILogicalUnit"), parts[3].toInt());
}

} // namespace

std::vector<PnpDevice> blockDevices(const SysRoot &root)
{
    std::vector<PnpDevice> devices;
    for (const Drive &drive : drives(root))
        devices.push_back(describeDrive(root, drive));
    return devices;
}

namespace {

// The objects of one kind of drive, numbered from 0: the device's common properties, then
// what `fill` adds for its class.
template <typename Fill>
std::vector<WmiObject> driveObjects(const SysRoot &root, DriveKind kind, const QString &className, Fill fill)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const Drive &drive : drives(root)) {
        if (drive.kind != kind)
            continue;
        const PnpDevice device = describeDrive(root, drive);
        Instance instance = deviceInstance(className, device, system);
        fill(instance, drive, device, int(result.size()));
        result.push_back(instance.object());
    }
    return result;
}

} // namespace

std::vector<WmiObject> diskDrives(const SysRoot &root)
{
    return driveObjects(root, DriveKind::Disk, QStringLiteral("Win32_DiskDrive"), [&](Instance &instance, const Drive &drive, const PnpDevice &device, int index) {
        instance.text(QStringLiteral("DeviceID"), QStringLiteral("\\\\.\\PHYSICALDRIVE%1").arg(index));
        instance.number(QStringLiteral("Index"), index);
        instance.text(QStringLiteral("Model"), device.caption);
        instance.text(QStringLiteral("Manufacturer"), device.manufacturer);
        instance.text(QStringLiteral("SerialNumber"), drive.serial);
        instance.text(QStringLiteral("FirmwareRevision"), drive.revision);
        const QString transport = drive.transport;
        instance.text(QStringLiteral("InterfaceType"),
                      transport == QLatin1String("USB") ? QStringLiteral("USB")
                      : transport == QLatin1String("IDE") ? QStringLiteral("IDE")
                                                          : QStringLiteral("SCSI"));
        const bool removable = root.readValue(drive.folder + QStringLiteral("/removable")) == QLatin1String("1");
        instance.text(QStringLiteral("MediaType"),
                      removable ? QStringLiteral("Removable Media")
                      : transport == QLatin1String("USB") ? QStringLiteral("External hard disk media")
                                                          : QStringLiteral("Fixed hard disk media"));
        instance.flag(QStringLiteral("MediaLoaded"), true);
        // The kernel counts 512-byte sectors whatever the disk's own sector size.
        const auto sectors = root.readNumber(drive.folder + QStringLiteral("/size"));
        const auto bytes = scaled(sectors, 512);
        const auto sectorSize = within(root.readNumber(drive.folder + QStringLiteral("/queue/logical_block_size")), 1, 1 << 30);
        instance.text(QStringLiteral("Size"), bytes ? QString::number(*bytes) : QString());
        instance.number(QStringLiteral("BytesPerSector"), sectorSize);
        if (bytes && sectorSize)
            instance.text(QStringLiteral("TotalSectors"), QString::number(*bytes / *sectorSize));
        int partitions = 0;
        for (const QString &entry : root.entries(drive.folder))
            partitions += entry.startsWith(drive.name) && root.exists(drive.folder + QLatin1Char('/') + entry + QStringLiteral("/partition"));
        instance.number(QStringLiteral("Partitions"), partitions);
        instance.numbers(QStringLiteral("Capabilities"), removable ? std::vector<qint64>{3, 4, 7} : std::vector<qint64>{3, 4});
        instance.texts(QStringLiteral("CapabilityDescriptions"),
                       removable ? QStringList{QStringLiteral("Random Access"), QStringLiteral("Supports Writing"), QStringLiteral("Supports Removable Media")}
                                 : QStringList{QStringLiteral("Random Access"), QStringLiteral("Supports Writing")});
        setScsiAddress(instance, drive);
    });
}

std::vector<WmiObject> cdromDrives(const SysRoot &root)
{
    return driveObjects(root, DriveKind::Optical, QStringLiteral("Win32_CDROMDrive"), [&](Instance &instance, const Drive &drive, const PnpDevice &, int) {
        instance.text(QStringLiteral("Drive"), QStringLiteral("/dev/") + drive.name);
        instance.text(QStringLiteral("Id"), QStringLiteral("/dev/") + drive.name);
        instance.text(QStringLiteral("Manufacturer"), drive.vendor);
        instance.text(QStringLiteral("MfrAssignedRevisionLevel"), drive.revision);
        instance.text(QStringLiteral("RevisionLevel"), drive.revision);
        const auto bytes = scaled(root.readNumber(drive.folder + QStringLiteral("/size")), 512);
        instance.flag(QStringLiteral("MediaLoaded"), bytes.has_value() ? std::optional<bool>(*bytes > 0) : std::nullopt);
        if (bytes && *bytes > 0)
            instance.text(QStringLiteral("Size"), QString::number(*bytes));
        instance.numbers(QStringLiteral("Capabilities"), {3, 7});
        instance.texts(QStringLiteral("CapabilityDescriptions"), {QStringLiteral("Random Access"), QStringLiteral("Supports Removable Media")});
        setScsiAddress(instance, drive);
    });
}

std::vector<WmiObject> floppyDrives(const SysRoot &root)
{
    return driveObjects(root, DriveKind::Floppy, QStringLiteral("Win32_FloppyDrive"), [](Instance &instance, const Drive &, const PnpDevice &, int) {
        instance.numbers(QStringLiteral("Capabilities"), {3, 4, 7});
    });
}

std::vector<WmiObject> tapeDrives(const SysRoot &root)
{
    return driveObjects(root, DriveKind::Tape, QStringLiteral("Win32_TapeDrive"), [](Instance &instance, const Drive &drive, const PnpDevice &, int) {
        instance.text(QStringLiteral("Id"), QStringLiteral("/dev/") + drive.name);
        instance.text(QStringLiteral("Manufacturer"), drive.vendor);
        instance.numbers(QStringLiteral("Capabilities"), {2, 7});
    });
}

} // namespace platform::linuxhw
