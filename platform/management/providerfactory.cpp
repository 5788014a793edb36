#include "platform/management/machinedescription.h"
#include "platform/linux/linuxprovider.h"

namespace platform {

QString normalisedNamespace(const QString &nameSpace)
{
    QString ns = nameSpace.trimmed().toLower();
    ns.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (ns.startsWith(QLatin1Char('\\')))
        ns.remove(0, 1);
    return ns;
}

std::unique_ptr<ManagementProvider> createManagementProvider(bool snapshot)
{
    const QString machine = qEnvironmentVariable("DRIVERSEARCHER_MACHINE");
    if (!machine.isEmpty())
        return std::make_unique<MachineDescription>(machine); // static data: a snapshot already
    LinuxProvider::Options options = LinuxProvider::Options::fromEnvironment();
    options.snapshot = snapshot;
    return std::make_unique<LinuxProvider>(options);
}

} // namespace platform
