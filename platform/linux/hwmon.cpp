// Temperature, voltage and current probes and fans: the firmware's static descriptions
// (SMBIOS) followed by the live sensors of /sys/class/hwmon.
#include "platform/linux/sources.h"

namespace platform::linuxhw {

std::vector<WmiObject> smbiosVoltageProbes(const SysRoot &root);
std::vector<WmiObject> smbiosTemperatureProbes(const SysRoot &root);
std::vector<WmiObject> smbiosCurrentProbes(const SysRoot &root);
std::vector<WmiObject> smbiosCoolingDevices(const SysRoot &root, const QString &className);

namespace {

struct Sensor {
    QString chip;    // hwmon "name"
    QString input;   // "temp1"
    QString label;   // "Package id 0"; the input name when there is no label
    QString folder;
};

// The sensors of one kind ("temp", "in", "curr", "fan") with a readable input.
std::vector<Sensor> sensors(const SysRoot &root, const QString &kind)
{
    std::vector<Sensor> result;
    for (const QString &hwmon : root.entries(QStringLiteral("/sys/class/hwmon"))) {
        const QString folder = QStringLiteral("/sys/class/hwmon/") + hwmon;
        const QString chip = root.readValue(folder + QStringLiteral("/name"));
        QStringList inputs;
        for (const QString &file : root.entries(folder)) {
            if (!file.startsWith(kind) || !file.endsWith(QLatin1String("_input")))
                continue;
            bool ok = false;
            file.mid(kind.size(), file.size() - kind.size() - 6).toInt(&ok);
            if (ok)
                inputs << file.left(file.size() - 6);
        }
        std::sort(inputs.begin(), inputs.end(), [&](const QString &a, const QString &b) {
            return a.mid(kind.size()).toInt() < b.mid(kind.size()).toInt();
        });
        for (const QString &input : inputs) {
            QString label = root.readValue(folder + QLatin1Char('/') + input + QStringLiteral("_label"));
            if (label.isEmpty())
                label = input;
            result.push_back({chip, input, label, folder});
        }
    }
    return result;
}

std::vector<WmiObject> liveProbes(const SysRoot &root, const QString &className, const QString &kind, const QString &deviceKind,
                                  qint64 divisor)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const Sensor &sensor : sensors(root, kind)) {
        const QString base = sensor.folder + QLatin1Char('/') + sensor.input;
        // Readings are signed 32-bit numbers in management.
        auto reading = [&](const char *suffix) -> std::optional<qint64> {
            const auto value = root.readNumber(base + QLatin1String(suffix));
            return within(value ? std::optional<qint64>(*value / divisor) : std::nullopt, INT32_MIN, INT32_MAX);
        };
        const QString description = QString(sensor.chip + QLatin1Char(' ') + sensor.label).trimmed();
        Instance instance(className);
        instance.text(QStringLiteral("Caption"), QStringLiteral("Numeric Sensor"));
        instance.text(QStringLiteral("Name"), QStringLiteral("Numeric Sensor"));
        instance.text(QStringLiteral("Description"), description);
        instance.text(QStringLiteral("DeviceID"), QStringLiteral("%1 %2 %3").arg(deviceKind, sensor.chip, sensor.input));
        instance.number(QStringLiteral("CurrentReading"), reading("_input"));
        instance.number(QStringLiteral("UpperThresholdNonCritical"), reading("_max"));
        instance.number(QStringLiteral("UpperThresholdCritical"), reading("_crit"));
        instance.number(QStringLiteral("LowerThresholdNonCritical"), reading("_min"));
        instance.number(QStringLiteral("LowerThresholdCritical"), reading("_lcrit"));
        const bool alarm = root.readValue(base + QStringLiteral("_alarm")) == QLatin1String("1")
            || root.readValue(base + QStringLiteral("_crit_alarm")) == QLatin1String("1");
        instance.text(QStringLiteral("Status"), alarm ? QStringLiteral("Degraded") : QStringLiteral("OK"));
        instance.number(QStringLiteral("Availability"), 3);
        ownedByComputer(instance, system);
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> joined(std::vector<WmiObject> first, std::vector<WmiObject> second)
{
    for (WmiObject &object : second)
        first.push_back(std::move(object));
    return first;
}

} // namespace

// hwmon reports millidegrees, millivolts and milliamperes; management wants tenths of a
// degree, millivolts and milliamperes.
std::vector<WmiObject> temperatureProbes(const SysRoot &root)
{
    return joined(smbiosTemperatureProbes(root), liveProbes(root, QStringLiteral("Win32_TemperatureProbe"), QStringLiteral("temp"), QStringLiteral("Temperature"), 100));
}

std::vector<WmiObject> voltageProbes(const SysRoot &root)
{
    return joined(smbiosVoltageProbes(root), liveProbes(root, QStringLiteral("Win32_VoltageProbe"), QStringLiteral("in"), QStringLiteral("Voltage"), 1));
}

std::vector<WmiObject> currentProbes(const SysRoot &root)
{
    return joined(smbiosCurrentProbes(root), liveProbes(root, QStringLiteral("Win32_CurrentProbe"), QStringLiteral("curr"), QStringLiteral("Current"), 1));
}

std::vector<WmiObject> fans(const SysRoot &root)
{
    std::vector<WmiObject> result = smbiosCoolingDevices(root, QStringLiteral("Win32_Fan"));
    const QString system = computerName(root);
    for (const Sensor &sensor : sensors(root, QStringLiteral("fan"))) {
        const QString base = sensor.folder + QLatin1Char('/') + sensor.input;
        Instance instance(QStringLiteral("Win32_Fan"));
        instance.text(QStringLiteral("Caption"), QStringLiteral("Cooling Device"));
        instance.text(QStringLiteral("Name"), QStringLiteral("Cooling Device"));
        instance.text(QStringLiteral("Description"), QString(sensor.chip + QLatin1Char(' ') + sensor.label).trimmed());
        instance.text(QStringLiteral("DeviceID"), QStringLiteral("Cooling Device %1 %2").arg(sensor.chip, sensor.input));
        instance.flag(QStringLiteral("ActiveCooling"), true);
        const QString pwm = sensor.folder + QStringLiteral("/pwm") + sensor.input.mid(3);
        if (root.exists(pwm))
            instance.flag(QStringLiteral("VariableSpeed"), true);
        if (const auto target = scaled(root.readNumber(base + QStringLiteral("_target")), 1))
            instance.text(QStringLiteral("DesiredSpeed"), QString::number(*target));
        const bool fault = root.readValue(base + QStringLiteral("_fault")) == QLatin1String("1")
            || root.readValue(base + QStringLiteral("_alarm")) == QLatin1String("1");
        instance.text(QStringLiteral("Status"), fault ? QStringLiteral("Error") : QStringLiteral("OK"));
        instance.number(QStringLiteral("Availability"), 3);
        ownedByComputer(instance, system);
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> heatPipes(const SysRoot &root)
{
    return smbiosCoolingDevices(root, QStringLiteral("Win32_HeatPipe"));
}

std::vector<WmiObject> refrigerations(const SysRoot &root)
{
    return smbiosCoolingDevices(root, QStringLiteral("Win32_Refrigeration"));
}

} // namespace platform::linuxhw
