#include "inventory/cli.h"

namespace inventory {

std::optional<int> runCommandLine(const QStringList &arguments)
{
    if (arguments.size() <= 1)
        return std::nullopt;
    return 2;
}

} // namespace inventory
