#pragma once
#include "platform/linux/sources.h"

namespace platform::linuxhw {

struct PciFunction {
    QString sysPath;
    QString address; // "0000:00:1f.6"
    quint16 vendor = 0, device = 0, subVendor = 0, subDevice = 0;
    quint32 classCode = 0;
    int revision = 0;
    QString driver;
};

std::vector<PciFunction> pciFunctions(const SysRoot &root);
std::optional<PciFunction> readPciFunction(const SysRoot &root, const QString &folder);
PnpDevice describePciFunction(const SysRoot &root, const PciFunction &function);

} // namespace platform::linuxhw
