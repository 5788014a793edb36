#include "windows/updater/downloadprogress.h"

#include <algorithm>
#include <limits>

namespace {
ProgressDisplay scaled(qint64 value, qint64 maximum)
{
    while (maximum > std::numeric_limits<int>::max()) {
        value /= 1024;
        maximum /= 1024;
    }
    return {int(value), int(maximum)};
}
} // namespace

ProgressDisplay progressDisplay(qint64 received, std::optional<qint64> announced)
{
    if (!announced || *announced <= 0)
        return {};
    return scaled(received, std::max(received, *announced));
}
