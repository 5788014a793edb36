#include "app/appfolder.h"

#include <QCoreApplication>
#include <QDir>

namespace app {

namespace {
QString &overriddenFolder()
{
    static QString folder;
    return folder;
}
}

QString applicationFolder()
{
    QString folder = overriddenFolder().isEmpty() ? QCoreApplication::applicationDirPath() : overriddenFolder();
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString applicationFile(const QString &fileName)
{
    return applicationFolder() + QLatin1Char('/') + fileName;
}

void setApplicationFolder(const QString &folder)
{
    overriddenFolder() = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

} // namespace app
