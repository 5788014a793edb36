#include "platform/management/boundedfile.h"

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::optional<QByteArray> readRegularFile(int fd, qint64 maxBytes, bool *complete)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    QByteArray data;
    if (status.st_size > 4096)
        data.reserve(qsizetype(std::min<qint64>(status.st_size, maxBytes)));
    char buffer[16 * 1024];
    bool atEnd = false;
    while (!atEnd && data.size() < maxBytes) {
        const qint64 wanted = std::min<qint64>(qint64(sizeof buffer), maxBytes - data.size());
        const ssize_t got = ::read(fd, buffer, size_t(wanted));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        data.append(buffer, got);
        // The end is known without another read: an empty read, a file of known size read
        // whole, or a sysfs attribute (a page in size), which the kernel hands over in one read.
        atEnd = got == 0 || (status.st_size > 0 && data.size() >= status.st_size) || (status.st_size == 4096 && got < wanted);
    }
    if (complete) {
        char probe;
        *complete = atEnd || ::read(fd, &probe, 1) == 0;
    }
    return data;
}

} // namespace platform
