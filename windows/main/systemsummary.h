#pragma once
#include "inventory/wmi.h"

#include <QString>
#include <QStringList>

#include <vector>

// The start-up figures of the system summary, computed apart from the window.
namespace systemsummary {

// The text shown where a figure cannot be read.
inline constexpr const char *kNotAvailable = "not available";

// The short operating-system name the driver lookup keys on, from the operating-system
// instances: Windows versions by their major number (6 "Windows Vista", 5 "Windows XP",
// 4 "Windows 98"), a Linux system "Linux"; otherwise the current text stays.
QString shortOperatingSystemName(const std::vector<inventory::WmiObject> &systems, const QString &current);

// The description lines: Name, ", ", CSDVersion, ", ", Version and CR LF per instance.
QString operatingSystemDescription(const std::vector<inventory::WmiObject> &systems);

// One environment line: the control it goes to and its text.
struct EnvironmentLine {
    const char *control;
    QString text;
};

// The eleven environment lines in the order they are written.
std::vector<EnvironmentLine> environmentLines(const QString &operatingSystemDescription);

// Hours in the pattern "##.0": 7200 s "2.0", 1800 s ".5". Negative times mean unknown.
QString formatBatteryHours(qint32 seconds);

// The battery lines of the summary list.
QStringList batteryLines(const platform::BatteryFigures &figures);

// Whole degrees Celsius from tenths of a kelvin, halves to even; the last instance wins,
// "0" without instances.
QString cpuTemperature(const std::vector<inventory::WmiObject> &zones);

// "32-bit" for the x86 architecture, otherwise empty.
QString programmingLabel(const QString &architecture);

} // namespace systemsummary
