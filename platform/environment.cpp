#include "platform/environment.h"

#include <QtGlobal>

namespace platform {

QString environmentValue(const QString &name)
{
    return qEnvironmentVariable(name.toLocal8Bit().constData());
}

} // namespace platform
