#include "inventory/wmi.h"

#include <QRegularExpression>

namespace inventory {

ManagementService::ManagementService(QString nameSpace, std::unique_ptr<platform::ManagementProvider> provider)
    : nameSpace_(std::move(nameSpace)), provider_(std::move(provider))
{
}

ManagementService::ManagementService(ManagementService &&) noexcept = default;
ManagementService::~ManagementService() = default;

std::vector<WmiObject> ManagementService::InstancesOf(const QString &className)
{
    return provider_->instancesOf(nameSpace_, className);
}

std::vector<WmiObject> ManagementService::ExecQuery(const QString &query)
{
    static const QRegularExpression selectAll(QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(\\w+)\\s*$"),
                                              QRegularExpression::CaseInsensitiveOption);
    const auto match = selectAll.match(query);
    if (!match.hasMatch())
        throw WmiError(QStringLiteral("Invalid query \"%1\"").arg(query));
    return provider_->instancesOf(nameSpace_, match.captured(1));
}

platform::BatteryFigures ManagementService::BatteryFigures()
{
    return provider_->batteryFigures();
}

ManagementService connectManagement(const QString &moniker)
{
    static const QString prefix = QStringLiteral("winmgmts:");
    if (!moniker.startsWith(prefix, Qt::CaseInsensitive))
        throw WmiError(QStringLiteral("Invalid moniker \"%1\"").arg(moniker));
    QString path = moniker.mid(prefix.size());
    // An optional security part, "{impersonationLevel=impersonate}!", comes first.
    if (path.startsWith(QLatin1Char('{'))) {
        const qsizetype end = path.indexOf(QLatin1String("}!"));
        if (end < 0)
            throw WmiError(QStringLiteral("Invalid moniker \"%1\"").arg(moniker));
        path = path.mid(end + 2);
    }
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QString nameSpace = QStringLiteral("root\\cimv2");
    if (path.startsWith(QLatin1String("\\\\"))) {
        const qsizetype slash = path.indexOf(QLatin1Char('\\'), 2);
        const QString server = path.mid(2, slash < 0 ? -1 : slash - 2);
        if (server != QLatin1String(".") && server.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
            throw WmiError(QStringLiteral("The remote machine \"%1\" cannot be reached: only this computer can be inventoried").arg(server));
        if (slash >= 0 && slash + 1 < path.size())
            nameSpace = path.mid(slash + 1);
    } else if (!path.isEmpty()) {
        nameSpace = path;
    }
    return ManagementService(platform::normalisedNamespace(nameSpace), platform::createManagementProvider());
}

} // namespace inventory
