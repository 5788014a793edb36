#include "tests/player/testmp3.h"

#include "platform/media/mci.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

namespace testmp3 {

namespace {
bool run(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.start(program, arguments);
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    *error = program + QStringLiteral(": ") + process.errorString() + u' ' + QString::fromLocal8Bit(process.readAllStandardError());
    return false;
}
} // namespace

bool writeNotASound(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("this is text, not a sound\n") > 0;
}

bool writeRandomBytes(const QString &path)
{
    QRandomGenerator random(13);
    QByteArray bytes(64 * 1024, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeTone(const QString &path, double seconds, QString *error)
{
    const QString wav = path + QStringLiteral(".wav");
    const bool made = run(QStringLiteral("sox"), {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
                                                  QStringLiteral("1"), wav, QStringLiteral("synth"), QString::number(seconds),
                                                  QStringLiteral("sine"), QStringLiteral("440")},
                          error)
                      && run(QStringLiteral("lame"), {QStringLiteral("--quiet"), wav, path}, error);
    QFile::remove(wav);
    return made;
}

QString status(const QString &item)
{
    QString reply = QStringLiteral("-");
    platform::media::mciSendString(QStringLiteral("status MP3Play ") + item, &reply);
    return reply;
}

} // namespace testmp3
