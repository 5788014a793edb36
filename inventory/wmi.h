#pragma once
#include "platform/management/managementprovider.h"

#include <QString>

#include <memory>
#include <vector>

namespace inventory {

using platform::WmiError;
using platform::WmiObject;
using platform::WmiProperty;
using platform::WmiValue;

// A connection to one management namespace. Each connect is fresh; nothing is cached
// between connections.
class ManagementService {
public:
    ManagementService(QString nameSpace, std::unique_ptr<platform::ManagementProvider> provider);
    ManagementService(ManagementService &&) noexcept;
    ~ManagementService();

    const QString &nameSpace() const { return nameSpace_; }

    // All instances of a class, in the provider's order; raises WmiError for an unknown or
    // unsupported class.
    std::vector<WmiObject> InstancesOf(const QString &className);

    // A WQL query of the form "Select * from CLASS"; other queries raise WmiError.
    std::vector<WmiObject> ExecQuery(const QString &query);

    // The system-information service's battery figures.
    platform::BatteryFigures BatteryFigures();

private:
    QString nameSpace_;
    std::unique_ptr<platform::ManagementProvider> provider_;
};

// Connects by moniker: "winmgmts:" (the default namespace root\cimv2),
// "winmgmts:\\.\root\cimv2", "winmgmts:\\localhost\root\wmi". Only the local machine can be
// reached. Raises WmiError for a malformed moniker or an unavailable provider.
ManagementService connectManagement(const QString &moniker);

} // namespace inventory
