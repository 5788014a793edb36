#include "app/appfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace app {

namespace {
QString &overriddenFolder()
{
    static QString folder;
    return folder;
}

QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/torvane-driver-searcher");
}

bool applicationFolderWritable()
{
    return QFileInfo(applicationFolder()).isWritable();
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

QString writableDataFolder()
{
    if (applicationFolderWritable())
        return applicationFolder();
    const QString folder = userDataFolder();
    // A folder that cannot be made shows up as the writer's own error, which names the path.
    QDir().mkpath(folder);
    return folder;
}

QString writableDataFile(const QString &fileName)
{
    return writableDataFolder() + QLatin1Char('/') + fileName;
}

QString dataFile(const QString &fileName)
{
    if (!applicationFolderWritable()) {
        const QString own = userDataFolder() + QLatin1Char('/') + fileName;
        if (QFileInfo::exists(own))
            return own;
    }
    return applicationFile(fileName);
}

} // namespace app
