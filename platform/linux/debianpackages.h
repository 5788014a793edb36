#pragma once
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace platform::linuxhw {

class SysRoot;

// A Debian package that ships a file, and the archive area it comes from ("main",
// "non-free-firmware"): an area the system's sources may not list yet.
struct DebianPackage {
    QString name;
    QString component;
};

// What Debian's own hardware tables know, read under the root: the firmware files each package
// ships and the device aliases each package supports (isenkram's Fw-Contents-* and modaliases
// tables in /usr/share/isenkram), and whether a package is installed (dpkg's file lists).
class DebianPackages {
public:
    DebianPackages(const SysRoot &root, const QString &codename);

    // Whether any table was found (the isenkram-cli package installs them).
    bool available() const { return !aliasTable_.isEmpty() || !firmwareTables_.isEmpty(); }

    // The packages that ship a firmware file ("rtl_nic/rtl8168h-2.fw").
    std::vector<DebianPackage> firmwareProviders(const QString &file);
    // The packages that support a device or module alias ("usb:v03EBp2103d0100...",
    // "lkmodule:r8169").
    const QStringList &packagesFor(const QString &alias);
    bool installed(const QString &package) const;

    // Adds the contents of a modaliases table and of a Fw-Contents table (the readers' own
    // entry, also used on bytes from anywhere).
    void addTables(const QByteArray &aliasTable, const QByteArray &firmwareTable);

private:
    struct Pattern {
        QByteArray glob;
        QByteArray prefix; // the literal part before the first wildcard
        int package;
    };
    void loadAliases(const QByteArray &table);
    void loadFirmware();
    void addFirmware(const QByteArray &table);

    const SysRoot &root_;
    QString aliasTable_;
    QStringList firmwareTables_;
    QStringList packageNames_;
    std::vector<Pattern> patterns_;
    QHash<QByteArray, std::vector<int>> patternsByStart_; // first 8 bytes of a long prefix
    std::vector<int> shortPatterns_;
    QHash<QString, QStringList> byAlias_;
    std::optional<QHash<QString, std::vector<DebianPackage>>> byFirmware_; // read when first needed
    mutable QHash<QString, bool> installed_;
};

// The Debian architecture this program runs on ("amd64").
QString debianArchitecture();

} // namespace platform::linuxhw
