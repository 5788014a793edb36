#pragma once
// Builds small machine descriptions for the main-window tests.
#include "platform/management/orderedjson.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace testmachine {

// One instance: properties in order, each value already written as JSON.
using Instance = QList<QPair<QString, QByteArray>>;

inline QByteArray text(const QString &value) { return platform::jsonQuoted(value); }

// An instance whose first property is its caption.
inline Instance captioned(const QString &caption, Instance more = {})
{
    more.prepend({QStringLiteral("Caption"), text(caption)});
    return more;
}

struct Machine {
    QList<QPair<QString, QList<Instance>>> cimv2;
    QList<QString> failingClasses;
    QList<Instance> thermalZones;
    bool thermalFails = false;
    QByteArray sysinfo = "{\"BatteryFullTime\": -1, \"BatteryLifeTime\": -1, \"BatteryLifePercent\": 255, \"BatteryStatus\": 128}";

    Machine &add(const QString &className, const Instance &instance)
    {
        for (auto &entry : cimv2)
            if (entry.first == className) {
                entry.second.append(instance);
                return *this;
            }
        cimv2.append({className, {instance}});
        return *this;
    }

    static QByteArray instancesJson(const QList<Instance> &instances)
    {
        QByteArray out = "[";
        for (int i = 0; i < instances.size(); ++i) {
            out += i ? ",{" : "{";
            for (int p = 0; p < instances[i].size(); ++p)
                out += (p ? "," : "") + text(instances[i][p].first) + ":" + instances[i][p].second;
            out += "}";
        }
        return out + "]";
    }

    QByteArray json() const
    {
        QByteArray out = "{\"namespaces\":{\"root\\\\cimv2\":{";
        bool first = true;
        for (const auto &entry : cimv2) {
            out += (first ? "" : ",") + text(entry.first) + ":" + instancesJson(entry.second);
            first = false;
        }
        for (const QString &failing : failingClasses) {
            out += (first ? "" : ",") + text(failing) + ":{\"fails\":\"Not supported\"}";
            first = false;
        }
        out += "},\"root\\\\wmi\":{";
        if (thermalFails)
            out += "\"MSAcpi_ThermalZoneTemperature\":{\"fails\":\"Not supported\"}";
        else
            out += "\"MSAcpi_ThermalZoneTemperature\":" + instancesJson(thermalZones);
        return out + "}},\"sysinfo\":" + sysinfo + "}";
    }
};

// Sets environment variables for the scope and restores them afterwards.
class Environment {
public:
    void set(const char *name, const QByteArray &value)
    {
        remember(name);
        qputenv(name, value);
    }
    void unset(const char *name)
    {
        remember(name);
        qunsetenv(name);
    }
    ~Environment()
    {
        for (const auto &[name, value] : saved_)
            value ? (void)qputenv(name.constData(), *value) : (void)qunsetenv(name.constData());
    }

private:
    void remember(const char *name)
    {
        saved_.push_back({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    }
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> saved_;
};

} // namespace testmachine
