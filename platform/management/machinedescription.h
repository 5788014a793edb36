#pragma once
#include "platform/management/managementprovider.h"

#include <QString>

#include <memory>

namespace platform {

// A machine described by a JSON file instead of real hardware: the fake backend that tests
// and demonstrations run the real program on. Layout:
//
//   { "namespaces": { "root\\cimv2": { "Win32_Processor": [ { "Caption": "...", ... }, ... ],
//                                      "Win32_Fan": { "fails": "Not supported" } },
//                     "root\\wmi":   { "MSAcpi_ThermalZoneTemperature": [ ... ] } },
//     "sysinfo": { "BatteryFullTime": -1, "BatteryLifeTime": -1,
//                  "BatteryLifePercent": 255, "BatteryStatus": 128 } }
//
// Classes, instances and properties keep file order. Values: null, strings, whole numbers,
// reals (written with a point or exponent), booleans and arrays. A class that is not listed
// has no instances; a class given as an object with "fails" raises that text.
class MachineDescription final : public ManagementProvider {
public:
    // Raises WmiError when the file cannot be read or is not a valid description.
    explicit MachineDescription(const QString &path);
    ~MachineDescription() override;

    std::vector<WmiObject> instancesOf(const QString &nameSpace, const QString &className) override;
    BatteryFigures batteryFigures() override;

    struct Data;

private:
    std::shared_ptr<const Data> data_;
};

} // namespace platform
