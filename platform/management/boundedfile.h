#pragma once
#include <QByteArray>

#include <optional>

namespace platform {

// Reads a file named from outside the program (a sysfs attribute, a machine description) from
// a descriptor the caller opened with O_NONBLOCK: only a regular file is read, never a FIFO or
// a device that could block or never end, and never more than maxBytes. Nothing for anything
// but a regular file or on a read error. *complete, when asked for, tells whether the whole
// file was read. The caller closes the descriptor.
std::optional<QByteArray> readRegularFile(int fd, qint64 maxBytes, bool *complete = nullptr);

} // namespace platform
