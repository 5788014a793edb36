// MSAcpi_ThermalZoneTemperature (root\wmi) from the ACPI thermal zones of /sys/class/thermal.
#include "platform/linux/sources.h"

#include <cmath>

namespace platform::linuxhw {

namespace {
// Millidegrees Celsius to tenths of a kelvin (uint32), with ACPI's 273.2 offset; nothing below
// absolute zero or beyond the range.
std::optional<qint64> tenthsKelvin(qint64 milliCelsius)
{
    if (milliCelsius < -273200 || milliCelsius > 400000000000LL)
        return std::nullopt;
    return qint64(std::llround((milliCelsius + 273200) / 100.0));
}
} // namespace

std::vector<WmiObject> thermalZoneTemperatures(const SysRoot &root)
{
    std::vector<WmiObject> result;
    for (const QString &zone : root.entries(QStringLiteral("/sys/class/thermal"))) {
        if (!zone.startsWith(QLatin1String("thermal_zone")))
            continue;
        const QString folder = QStringLiteral("/sys/class/thermal/") + zone;
        // Only zones the firmware defines; chip sensors (x86_pkg_temp, ...) are not ACPI zones.
        if (root.readValue(folder + QStringLiteral("/type")) != QLatin1String("acpitz"))
            continue;
        const auto temperature = root.readNumber(folder + QStringLiteral("/temp"));
        const auto current = temperature ? tenthsKelvin(*temperature) : std::nullopt;
        if (!current)
            continue;
        QString path = root.readValue(folder + QStringLiteral("/device/path")); // "\_TZ_.TZ00"
        QString zoneName = path.section(QLatin1Char('.'), -1);
        zoneName.remove(QLatin1Char('_'));
        if (zoneName.isEmpty() || zoneName.startsWith(QLatin1Char('\\')))
            zoneName = zone.toUpper();
        Instance instance(QStringLiteral("MSAcpi_ThermalZoneTemperature"));
        instance.flag(QStringLiteral("Active"), true);
        instance.text(QStringLiteral("InstanceName"), QStringLiteral("ACPI\\ThermalZone\\%1_0").arg(zoneName));
        instance.number(QStringLiteral("CurrentTemperature"), current);
        std::vector<qint64> active;
        for (int trip = 0; trip < 64; ++trip) {
            const QString base = folder + QStringLiteral("/trip_point_%1_").arg(trip);
            const QString type = root.readValue(base + QStringLiteral("type"));
            if (type.isEmpty())
                break;
            const auto milliCelsius = root.readNumber(base + QStringLiteral("temp"));
            const auto value = milliCelsius ? tenthsKelvin(*milliCelsius) : std::nullopt;
            if (!value)
                continue;
            if (type == QLatin1String("critical"))
                instance.number(QStringLiteral("CriticalTripPoint"), value);
            else if (type == QLatin1String("passive"))
                instance.number(QStringLiteral("PassiveTripPoint"), value);
            else if (type == QLatin1String("active"))
                active.push_back(*value);
        }
        instance.numbers(QStringLiteral("ActiveTripPoint"), active);
        instance.number(QStringLiteral("ActiveTripPointCount"), qint64(active.size()));
        // Milliseconds to tenths of a second.
        instance.number(QStringLiteral("SamplingPeriod"), within(scaled(root.readNumber(folder + QStringLiteral("/polling_delay")), 1, 100), 0, UINT32_MAX));
        result.push_back(instance.object());
    }
    // As on Windows, a machine whose firmware defines no thermal zone does not support the class;
    // an empty list would read as 0 degrees.
    if (result.empty())
        throw WmiError(QStringLiteral("Not supported: the firmware of this computer reports no thermal zone"));
    return result;
}

} // namespace platform::linuxhw
