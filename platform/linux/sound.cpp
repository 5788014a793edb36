// Sound devices: HD Audio codecs (/sys/bus/hdaudio) and the cards of /sys/class/sound that
// have none (USB audio, older PCI cards).
#include "platform/linux/sources.h"

namespace platform::linuxhw {

namespace {

PnpDevice describeCodec(const SysRoot &root, const QString &name, const QString &folder)
{
    PnpDevice device;
    device.sysPath = folder;
    const qint64 vendorId = root.readNumber(folder + QStringLiteral("/vendor_id")).value_or(0);
    const qint64 subsystemId = root.readNumber(folder + QStringLiteral("/subsystem_id")).value_or(0);
    const qint64 revisionId = root.readNumber(folder + QStringLiteral("/revision_id")).value_or(0);
    const QString hardware = QStringLiteral("HDAUDIO\\FUNC_01&VEN_%1&DEV_%2")
                                 .arg(hex4(vendorId >> 16), hex4(vendorId & 0xffff));
    const QString subsys = QStringLiteral("&SUBSYS_%1").arg(quint32(subsystemId), 8, 16, QLatin1Char('0')).toUpper();
    const QString rev = QStringLiteral("&REV_%1").arg(hex4(revisionId >> 8));
    device.deviceId = hardware + subsys + rev + QLatin1Char('\\') + name;
    device.hardwareIds = {hardware + subsys + rev, hardware + subsys, hardware + rev, hardware};
    device.manufacturer = root.readValue(folder + QStringLiteral("/vendor_name"));
    const QString chip = root.readValue(folder + QStringLiteral("/chip_name"));
    device.caption = QString(device.manufacturer + QLatin1Char(' ') + chip).trimmed();
    if (device.caption.isEmpty())
        device.caption = QStringLiteral("High Definition Audio Device");
    device.pnpClass = QStringLiteral("MEDIA");
    device.driver = root.linkTarget(folder + QStringLiteral("/driver"));
    return device;
}

} // namespace

std::vector<PnpDevice> soundCodecs(const SysRoot &root)
{
    std::vector<PnpDevice> codecs;
    for (const QString &name : root.entries(QStringLiteral("/sys/bus/hdaudio/devices"))) {
        QString folder = root.resolved(QStringLiteral("/sys/bus/hdaudio/devices/") + name);
        if (folder.isEmpty())
            folder = QStringLiteral("/sys/bus/hdaudio/devices/") + name;
        codecs.push_back(describeCodec(root, name, folder));
    }
    return codecs;
}

std::vector<WmiObject> soundDevices(const SysRoot &root)
{
    std::vector<PnpDevice> devices = soundCodecs(root);
    const size_t codecCount = devices.size();
    for (const QString &card : root.entries(QStringLiteral("/sys/class/sound"))) {
        if (!card.startsWith(QLatin1String("card")))
            continue;
        const QString hardware = root.resolved(QStringLiteral("/sys/class/sound/") + card + QStringLiteral("/device"));
        if (hardware.isEmpty())
            continue;
        bool hasCodecs = false;
        for (size_t i = 0; i < codecCount; ++i)
            hasCodecs = hasCodecs || devices[i].sysPath.startsWith(hardware + QLatin1Char('/'));
        if (hasCodecs)
            continue;
        if (auto device = owningDevice(root, hardware))
            devices.push_back(*device);
    }
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const PnpDevice &device : devices) {
        Instance instance = deviceInstance(QStringLiteral("Win32_SoundDevice"), device, system);
        instance.text(QStringLiteral("Manufacturer"), device.manufacturer);
        instance.text(QStringLiteral("ProductName"), device.caption);
        instance.flag(QStringLiteral("PowerManagementSupported"), false);
        result.push_back(instance.object());
    }
    return result;
}

} // namespace platform::linuxhw
