#include "windows/livehelp/singleinstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <memory>

namespace livehelp {

namespace {

// Copies of the same executable, however started (through a link, a relative path), share
// the lock; copies in other folders are other programs.
QString lockPath()
{
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QByteArray key = QCryptographicHash::hash(executable.toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/torvane-live-help-") + QString::fromLatin1(key) + QStringLiteral(".lock");
}

} // namespace

bool claimLiveHelpInstance()
{
    static std::unique_ptr<QLockFile> held;
    if (held)
        return true;
    auto lock = std::make_unique<QLockFile>(lockPath());
    // A lock whose holder is no longer running is taken over at once.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        // Only a live holder refuses; a folder where no lock can be made leaves the rule unenforced.
        return lock->error() != QLockFile::LockFailedError;
    }
    held = std::move(lock);
    return true;
}

} // namespace livehelp
