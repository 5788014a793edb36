// Batteries and UPS units from /sys/class/power_supply, and the battery figures.
#include "platform/linux/sources.h"

namespace platform::linuxhw {

QString managementObjectPath(const SysRoot &root, const QString &className, const QString &key, const QString &value);

namespace {

struct Supply {
    QString name;
    QString folder;
    QString type;     // "Battery", "Mains", "UPS", "USB"
    QString status;   // "Charging", "Discharging", "Full", "Not charging", "Unknown"
    std::optional<qint64> capacity;
    std::optional<qint64> energyNow, energyFull, energyDesign, powerNow; // µWh, µW
    std::optional<qint64> voltageDesign; // µV
    bool online = false;
};

// Energies, powers and voltages are counts: a negative or absurd one is unknown.
std::optional<qint64> energy(const SysRoot &root, const QString &folder, const char *which, std::optional<qint64> voltage)
{
    if (auto value = scaled(root.readNumber(folder + QStringLiteral("/energy_") + QLatin1String(which)), 1))
        return value;
    // Charge in µAh times the design voltage in µV, over a million, gives µWh.
    if (voltage)
        return scaled(root.readNumber(folder + QStringLiteral("/charge_") + QLatin1String(which)), *voltage, 1000000);
    return std::nullopt;
}

std::vector<Supply> supplies(const SysRoot &root)
{
    std::vector<Supply> result;
    for (const QString &name : root.entries(QStringLiteral("/sys/class/power_supply"))) {
        const QString folder = QStringLiteral("/sys/class/power_supply/") + name;
        Supply supply;
        supply.name = name;
        supply.folder = folder;
        supply.type = root.readValue(folder + QStringLiteral("/type"));
        // Batteries of mice and keyboards are not the computer's.
        if (root.readValue(folder + QStringLiteral("/scope")) == QLatin1String("Device"))
            continue;
        supply.status = root.readValue(folder + QStringLiteral("/status"));
        supply.capacity = within(root.readNumber(folder + QStringLiteral("/capacity")), 0, 100);
        supply.voltageDesign = scaled(root.readNumber(folder + QStringLiteral("/voltage_min_design")), 1);
        if (!supply.voltageDesign)
            supply.voltageDesign = scaled(root.readNumber(folder + QStringLiteral("/voltage_max_design")), 1);
        supply.energyNow = energy(root, folder, "now", supply.voltageDesign);
        supply.energyFull = energy(root, folder, "full", supply.voltageDesign);
        supply.energyDesign = energy(root, folder, "full_design", supply.voltageDesign);
        // Some drivers count the current of a discharging battery as negative.
        auto magnitude = [](std::optional<qint64> value) {
            return value && *value < 0 && *value != INT64_MIN ? std::optional<qint64>(-*value) : value;
        };
        supply.powerNow = scaled(magnitude(root.readNumber(folder + QStringLiteral("/power_now"))), 1);
        if (!supply.powerNow && supply.voltageDesign)
            supply.powerNow = scaled(magnitude(root.readNumber(folder + QStringLiteral("/current_now"))), *supply.voltageDesign, 1000000);
        supply.online = root.readValue(folder + QStringLiteral("/online")) == QLatin1String("1");
        if (!supply.capacity && supply.energyNow && supply.energyFull && *supply.energyFull > 0)
            supply.capacity = within(scaled(supply.energyNow, 100, *supply.energyFull), 0, 100);
        result.push_back(supply);
    }
    return result;
}

qint64 chemistry(const QString &technology)
{
    if (technology == QLatin1String("Li-ion"))
        return 6;
    if (technology == QLatin1String("Li-poly"))
        return 8;
    if (technology == QLatin1String("NiMH"))
        return 5;
    if (technology == QLatin1String("NiCd"))
        return 4;
    if (technology == QLatin1String("LiFe"))
        return 6;
    return 2;
}

// Win32_Battery.BatteryStatus: 1 discharging, 2 on AC, 3 fully charged, 6 charging,
// 4 low, 5 critical.
qint64 batteryStatus(const Supply &supply)
{
    if (supply.status == QLatin1String("Charging"))
        return 6;
    if (supply.status == QLatin1String("Full"))
        return 3;
    if (supply.status == QLatin1String("Discharging")) {
        if (supply.capacity && *supply.capacity < 5)
            return 5;
        if (supply.capacity && *supply.capacity < 33)
            return 4;
        return 1;
    }
    if (supply.status == QLatin1String("Not charging"))
        return 2;
    return 2;
}

} // namespace

std::vector<WmiObject> batteries(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const Supply &supply : supplies(root)) {
        if (supply.type != QLatin1String("Battery"))
            continue;
        const QString model = root.readValue(supply.folder + QStringLiteral("/model_name"));
        const QString manufacturer = root.readValue(supply.folder + QStringLiteral("/manufacturer"));
        const QString serial = root.readValue(supply.folder + QStringLiteral("/serial_number"));
        Instance instance(QStringLiteral("Win32_Battery"));
        instance.text(QStringLiteral("Caption"), QStringLiteral("Internal Battery"));
        instance.text(QStringLiteral("Description"), QStringLiteral("Internal Battery"));
        instance.text(QStringLiteral("Name"), model.isEmpty() ? supply.name : model);
        const QString deviceId = serial + manufacturer + model;
        instance.text(QStringLiteral("DeviceID"), deviceId.isEmpty() ? supply.name : deviceId);
        // The firmware's battery device (ACPI PNP0C0A) the figures come from.
        const QString hardware = root.resolved(supply.folder + QStringLiteral("/device"));
        // It carries that device's name, as every class does; "Internal Battery" otherwise.
        if (const auto device = hardware.isEmpty() ? std::nullopt : owningDevice(root, hardware)) {
            instance.text(QStringLiteral("PNPDeviceID"), device->deviceId);
            instance.text(QStringLiteral("Caption"), device->caption);
            instance.text(QStringLiteral("Description"), device->caption);
        }
        instance.number(QStringLiteral("Availability"), 2);
        instance.number(QStringLiteral("BatteryStatus"), batteryStatus(supply));
        instance.number(QStringLiteral("EstimatedChargeRemaining"), supply.capacity);
        instance.number(QStringLiteral("Chemistry"), chemistry(root.readValue(supply.folder + QStringLiteral("/technology"))));
        // Management counts mV and mWh (uint32), the kernel µV and µWh.
        if (supply.voltageDesign)
            instance.text(QStringLiteral("DesignVoltage"), QString::number(*supply.voltageDesign / 1000));
        instance.number(QStringLiteral("DesignCapacity"), within(scaled(supply.energyDesign, 1, 1000), 0, UINT32_MAX));
        instance.number(QStringLiteral("FullChargeCapacity"), within(scaled(supply.energyFull, 1, 1000), 0, UINT32_MAX));
        if (supply.status == QLatin1String("Discharging") && supply.energyNow && supply.powerNow && *supply.powerNow > 0)
            instance.number(QStringLiteral("EstimatedRunTime"), within(scaled(supply.energyNow, 60, *supply.powerNow), 0, UINT32_MAX));
        instance.numbers(QStringLiteral("PowerManagementCapabilities"), {1});
        instance.flag(QStringLiteral("PowerManagementSupported"), false);
        instance.text(QStringLiteral("Status"), QStringLiteral("OK"));
        instance.number(QStringLiteral("ConfigManagerErrorCode"), 0);
        instance.flag(QStringLiteral("ConfigManagerUserConfig"), false);
        ownedByComputer(instance, system);
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> associatedBatteries(const SysRoot &root)
{
    std::vector<WmiObject> result;
    for (const WmiObject &battery : batteries(root)) {
        Instance instance(QStringLiteral("Win32_AssociatedBattery"));
        instance.text(QStringLiteral("Antecedent"),
                      managementObjectPath(root, QStringLiteral("Win32_Battery"), QStringLiteral("DeviceID"), battery.property(u"DeviceID").toText()));
        // The battery powers the computer itself.
        instance.text(QStringLiteral("Dependent"),
                      managementObjectPath(root, QStringLiteral("Win32_ComputerSystem"), QStringLiteral("Name"), computerName(root)));
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> uninterruptiblePowerSupplies(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const Supply &supply : supplies(root)) {
        if (supply.type != QLatin1String("UPS"))
            continue;
        const QString model = root.readValue(supply.folder + QStringLiteral("/model_name"));
        Instance instance(QStringLiteral("Win32_UninterruptiblePowerSupply"));
        const QString caption = model.isEmpty() ? supply.name : model;
        instance.text(QStringLiteral("Caption"), caption);
        instance.text(QStringLiteral("Description"), caption);
        instance.text(QStringLiteral("Name"), caption);
        instance.text(QStringLiteral("DeviceID"), supply.name);
        instance.number(QStringLiteral("EstimatedChargeRemaining"), supply.capacity);
        instance.flag(QStringLiteral("BatteryInstalled"), true);
        instance.text(QStringLiteral("Status"), QStringLiteral("OK"));
        ownedByComputer(instance, system);
        result.push_back(instance.object());
    }
    return result;
}

BatteryFigures readBatteryFigures(const SysRoot &root)
{
    BatteryFigures figures;
    qint64 now = 0, full = 0, power = 0;
    bool anyBattery = false, charging = false, discharging = false, energyKnown = true;
    std::optional<qint64> percent;
    for (const Supply &supply : supplies(root)) {
        if (supply.type != QLatin1String("Battery"))
            continue;
        anyBattery = true;
        charging = charging || supply.status == QLatin1String("Charging");
        discharging = discharging || supply.status == QLatin1String("Discharging");
        if (!supply.energyNow || !supply.energyFull || __builtin_add_overflow(now, *supply.energyNow, &now)
            || __builtin_add_overflow(full, *supply.energyFull, &full))
            energyKnown = false;
        if (supply.powerNow && __builtin_add_overflow(power, *supply.powerNow, &power))
            power = 0; // unknown
        if (supply.capacity && !percent)
            percent = supply.capacity;
    }
    if (!anyBattery) {
        figures.status = 128;
        return figures;
    }
    // Several batteries count as one, weighted by their energy, as Windows sums them.
    if (energyKnown && full > 0)
        percent = within(scaled(now, 100, full), 0, 100);
    if (!percent) {
        figures.status = 255;
        return figures;
    }
    figures.lifePercent = qint16(std::clamp<qint64>(*percent, 0, 100));
    qint16 status = 0;
    if (*percent > 66)
        status |= 1;
    if (*percent < 33)
        status |= 2;
    if (*percent < 5)
        status |= 4;
    if (charging)
        status |= 8;
    figures.status = status;
    if (discharging && energyKnown && power > 0) {
        figures.lifeTime = qint32(std::min<qint64>(scaled(now, 3600, power).value_or(INT32_MAX), INT32_MAX));
        figures.fullTime = qint32(std::min<qint64>(scaled(full, 3600, power).value_or(INT32_MAX), INT32_MAX));
    }
    return figures;
}

} // namespace platform::linuxhw
