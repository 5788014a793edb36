#pragma once
#include <QString>
#include <QStringList>

#include <vector>

namespace platform::linuxhw {

// One logical processor of /proc/cpuinfo.
struct LogicalCpu {
    int processor = 0;
    QString vendor;      // "GenuineIntel"; the implementer on ARM
    QString modelName;   // brand string
    int family = -1, model = -1, stepping = -1;
    int physicalId = 0;
    int cores = 0;       // cores per package
    int siblings = 0;    // logical processors per package
    double mhz = 0;
    QStringList flags;
    bool arm = false;

    bool hasFlag(const char *flag) const { return flags.contains(QLatin1String(flag)); }
};

std::vector<LogicalCpu> parseCpuInfo(const QString &text);

// The Windows processor description: "Intel64 Family 6 Model 85 Stepping 7",
// "AMD64 Family 23 Model 113 Stepping 0", "ARMv8 (64-bit) Family 8 Model D0C Revision 1".
QString processorCaption(const LogicalCpu &cpu);
// "5507": model and stepping as two hex digits each, as Windows writes PROCESSOR_REVISION.
QString processorRevisionText(const LogicalCpu &cpu);

} // namespace platform::linuxhw
