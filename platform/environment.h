#pragma once
#include <QString>

namespace platform {

// A fact of the process environment by its Windows variable name ("computername",
// "NUMBER_OF_PROCESSORS", "PROCESSOR_ARCHITECTURE", ...): the variable itself when it is set,
// otherwise this platform's equivalent in the same format, otherwise the empty text.
QString environmentValue(const QString &name);

} // namespace platform
