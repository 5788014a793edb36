#pragma once
#include "platform/linux/linuxprovider.h"
#include "platform/linux/instance.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace platform::linuxhw {

// The KEY=VALUE lines of a uevent file, looked up where they are rather than copied into a
// table: a device's uevent is read for two or three of its keys.
class Uevent {
public:
    explicit Uevent(QByteArray text = {}) : text_(std::move(text)) {}
    // The value of a key, blanks around it removed; empty when the key is missing.
    QString value(const char *key) const;
    bool contains(const char *key) const;

private:
    qsizetype find(const char *key) const; // the start of the value, or -1
    QByteArray text_;
};

// Paths of one live enumeration: everything is read under the root. Paths handed to these
// functions and returned by them are written as on the real machine ("/sys/devices/...").
// Under a root other than "/", nothing outside it is read, whichever way a path is reached:
// links, absolute ones included, and ".." resolve inside the root, as in a chroot.
class SysRoot {
public:
    // Raises WmiError when the root is not a folder that can be read.
    explicit SysRoot(const LinuxProvider::Options &options);
    ~SysRoot();
    SysRoot(const SysRoot &) = delete;
    SysRoot &operator=(const SysRoot &) = delete;

    // Whether this is the machine's own root.
    bool isLive() const { return root_.isEmpty(); }

    // A small text file, read with a bound; trailing newline removed. Empty when unreadable.
    QString readText(const QString &absolute, qint64 maxBytes = 64 * 1024) const;
    // The same with surrounding blanks removed (sysfs attributes, recordings without newline).
    QString readValue(const QString &absolute) const;
    // A number attribute in decimal or 0x-hex; nothing when missing or not a number.
    std::optional<qint64> readNumber(const QString &absolute) const;
    // Regular files only (never a FIFO or a device node), at most maxBytes.
    QByteArray readBytes(const QString &absolute, qint64 maxBytes = 1024 * 1024) const;
    bool exists(const QString &absolute) const;
    // Entry names of a folder, sorted; empty when missing.
    QStringList entries(const QString &absolute) const;
    // The path a link or folder resolves to, in machine form; empty when it does not exist.
    QString resolved(const QString &absolute) const;
    // Where a machine path is on this machine, for libraries that open files themselves
    // (libkmod): its links are resolved inside the root first, so the result stays in it.
    QString hostPath(const QString &absolute) const;
    // The last part of the path a link points to ("driver" → "ahci"); empty when no link.
    QString linkTarget(const QString &absolute) const;
    // The uevent file of a device folder.
    Uevent uevent(const QString &folder) const;

    const LinuxProvider::Options &options() const { return options_; }
    QString pciIdsPath() const;
    QString usbIdsPath() const;
    QString pnpIdsPath() const;

private:
    // A descriptor of the machine path opened with these flags under the root; -1 on failure.
    int open(const QString &absolute, int flags) const;
    QString resolvedMachinePath(const QString &path, int depth) const;
    QString idsPath(std::optional<QString> &found, const QString &configured, std::initializer_list<const char *> candidates) const;

    const LinuxProvider::Options &options_;
    QString root_; // without trailing slash; empty for "/"
    // What a snapshot has read already.
    mutable QHash<QString, QByteArray> files_;
    mutable QHash<QString, QStringList> folders_;
    mutable QHash<QString, QString> links_;
    mutable QHash<QString, bool> present_;
    int rootFolder_ = -1; // the root, opened; -1 for "/"
    // Resolved folders of this enumeration: sysfs paths share long prefixes of links.
    mutable QHash<QString, QString> resolvedPaths_;
    // The ids files, looked for once per enumeration rather than once per device.
    mutable std::optional<QString> pciIds_, usbIds_, pnpIds_;
};

using ClassSource = std::function<std::vector<WmiObject>(const SysRoot &)>;

// The source of a class in a namespace ("root\cimv2", "root\wmi"; lower case), or nullptr
// for a class this provider does not know.
const ClassSource *findClassSource(const QString &nameSpace, const QString &className);

BatteryFigures readBatteryFigures(const SysRoot &root);

// A device as the device manager shows it: one friendly name shared by every class that
// lists the device, and its hardware IDs in Windows form.
struct PnpDevice {
    QString sysPath;      // the device folder, machine form
    QString caption;
    QString manufacturer;
    QString deviceId;     // "PCI\VEN_8086&DEV_15BC&SUBSYS_08641028&REV_10\0000:00:1f.6"
    QStringList hardwareIds;
    QStringList compatibleIds;
    QString pnpClass;     // device setup class name: "Net", "Display", ...
    QString driver;       // the bound driver, empty when none
    bool needsDriver = true;

    bool missingDriver() const { return driver.isEmpty() && needsDriver; }
    int errorCode() const { return missingDriver() ? 28 : 0; }
    QString status() const { return missingDriver() ? QStringLiteral("Error") : QStringLiteral("OK"); }
};

// The common properties of a device class instance (caption, IDs, status, system).
Instance deviceInstance(const QString &className, const PnpDevice &device, const QString &systemName);
// The object's own class and the computer it belongs to, as every device names them.
void ownedByComputer(Instance &instance, const QString &systemName);
// A setting of a device (serial port, display adapter): it is named by its device throughout.
Instance settingInstance(const QString &className, const QString &deviceName);

// The computer name as management reports it (the host name, upper-cased).
QString computerName(const SysRoot &root);
// A field of the root's os-release ("VERSION_CODENAME" → "bookworm"); empty when absent.
QString osReleaseField(const SysRoot &root, const QString &key);
// Every device of every bus, as Win32_PnPEntity lists them.
std::vector<PnpDevice> allPnpDevices(const SysRoot &root);

// What an input device is, from its capability bits.
enum class InputKind { Other, Keyboard, Mouse, TouchPad };
InputKind classifyInput(const SysRoot &root, const QString &folder);

// Device descriptions per bus (one source file each).
std::vector<PnpDevice> pciDevices(const SysRoot &root);
std::vector<PnpDevice> usbDevices(const SysRoot &root, bool withInterfaces);
std::vector<PnpDevice> acpiDevices(const SysRoot &root);
std::vector<PnpDevice> inputDevices(const SysRoot &root);
std::vector<PnpDevice> blockDevices(const SysRoot &root);
std::vector<PnpDevice> soundCodecs(const SysRoot &root);
std::vector<PnpDevice> monitors(const SysRoot &root);
std::vector<PnpDevice> processorDevices(const SysRoot &root);
// One entry per top-level collection of every HID device.
std::vector<PnpDevice> hidDevices(const SysRoot &root);
// The HID collection an input device (machine-form path) belongs to, when it sits on a HID
// device or on a USB interface.
std::optional<PnpDevice> hidDeviceOfInput(const SysRoot &root, const QString &inputPath, InputKind kind);

// The bus device a sysfs device belongs to (walking up through virtio, serial and other
// function folders), described like its bus enumeration describes it.
std::optional<PnpDevice> owningDevice(const SysRoot &root, const QString &sysPath);
std::optional<PnpDevice> describePci(const SysRoot &root, const QString &folder);
std::optional<PnpDevice> describeUsb(const SysRoot &root, const QString &folder);

// Serial ports by the machine-form path of the device they belong to ("ttyS0").
QHash<QString, QString> serialPortsByDevice(const SysRoot &root);
// "Communications Port (ttyS0)", "USB Serial Port (ttyUSB0)", "USB Serial Device (ttyACM0)".
QString serialPortCaption(const QString &ttyName);

// Folder of a machine-form path, and its last part.
QString parentPath(const QString &path);
QString baseName(const QString &path);
// "0x1af4" → "1AF4" (four upper-case hex digits); empty when unreadable.
QString hex4(std::optional<qint64> value);

// Arithmetic on numbers read from the machine, which can be absurd ("-1", 2^63, "inf"): value
// times multiplier divided by divisor, or nothing when the value is missing or negative or the
// result does not fit. A wrapped number is never reported.
std::optional<qint64> scaled(std::optional<qint64> value, qint64 multiplier, qint64 divisor = 1);
// The value when it lies within [minimum, maximum]; nothing otherwise.
std::optional<qint64> within(std::optional<qint64> value, qint64 minimum, qint64 maximum);

} // namespace platform::linuxhw
