#pragma once
#include "platform/management/wmivalue.h"

#include <QString>

#include <memory>
#include <vector>

namespace platform {

// Battery figures of the system-information service. Times in seconds (-1: unknown),
// percent 0..100 (255: unknown), status 1 high, 2 low, 4 critical, 8 charging,
// 128 no battery, 255 unknown.
struct BatteryFigures {
    qint32 fullTime = -1;
    qint32 lifeTime = -1;
    qint16 lifePercent = 255;
    qint16 status = 255;
};

// A source of management data: the machine's own (live) or one described in a file (fake).
// Namespaces are written as "root\cimv2" and "root\wmi" and compared without regard to case,
// like class names.
class ManagementProvider {
public:
    virtual ~ManagementProvider() = default;

    // All instances of a class, in the provider's order. A class the namespace knows but
    // that has no instances gives an empty list. Raises WmiError for an unknown namespace
    // or class, and for a class whose source cannot answer.
    virtual std::vector<WmiObject> instancesOf(const QString &nameSpace, const QString &className) = 0;

    // Raises WmiError when the figures cannot be read at all.
    virtual BatteryFigures batteryFigures() = 0;
};

// The provider the program uses: the machine description named by DRIVERSEARCHER_MACHINE
// when that is set, otherwise the live provider of this platform, reading under
// DRIVERSEARCHER_ROOT (default "/"). A snapshot provider reads the machine once for all the
// classes asked of it (the command-line inventory); otherwise every enumeration reads afresh.
// Raises WmiError when the source cannot be used at all.
std::unique_ptr<ManagementProvider> createManagementProvider(bool snapshot = false);

// Normalised namespace text ("root\cimv2"), for comparisons.
QString normalisedNamespace(const QString &nameSpace);

} // namespace platform
