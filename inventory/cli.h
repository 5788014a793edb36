#pragma once
#include <QStringList>

#include <optional>

namespace inventory {

// The command-line inventory (--list, --json, --root DIR, --help). Returns the exit code when
// the arguments asked for it, or nothing when there are no arguments and the window should open.
std::optional<int> runCommandLine(const QStringList &arguments);

// The same with what would go to standard output and standard error collected instead.
std::optional<int> runCommandLine(const QStringList &arguments, QByteArray *output, QByteArray *errors);

} // namespace inventory
