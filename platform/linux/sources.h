#pragma once
#include "platform/linux/linuxprovider.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace platform::linuxhw {

// Paths of one live enumeration: everything is read under the root.
class SysRoot {
public:
    explicit SysRoot(const LinuxProvider::Options &options) : options_(options) {}

    // The root-relative path ("/sys/bus/pci/devices") made absolute under the root.
    QString path(const QString &absolute) const;

    // A small text file, read with a bound; trailing newline removed. Empty when unreadable.
    QString readText(const QString &absolute, qint64 maxBytes = 64 * 1024) const;
    QByteArray readBytes(const QString &absolute, qint64 maxBytes = 1024 * 1024) const;
    bool exists(const QString &absolute) const;
    // Entry names of a folder, sorted; empty when missing.
    QStringList entries(const QString &absolute) const;

    const LinuxProvider::Options &options() const { return options_; }

private:
    const LinuxProvider::Options &options_;
};

using ClassSource = std::function<std::vector<WmiObject>(const SysRoot &)>;

// The source of a class in a namespace ("root\cimv2", "root\wmi"; lower case), or nullptr
// for a class this provider does not know.
const ClassSource *findClassSource(const QString &nameSpace, const QString &className);

BatteryFigures readBatteryFigures(const SysRoot &root);

} // namespace platform::linuxhw
