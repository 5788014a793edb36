#include "platform/environment.h"

#include "platform/linux/cpuinfo.h"

#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QSysInfo>
#include <QThread>
#include <QtGlobal>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace platform {

namespace {

std::vector<linuxhw::LogicalCpu> processors()
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return linuxhw::parseCpuInfo(QString::fromUtf8(file.read(4 * 1024 * 1024)));
}

QString machine()
{
    utsname names{};
    return uname(&names) == 0 ? QString::fromLatin1(names.machine) : QString();
}

// Windows' name of a processor architecture.
QString architecture(const QString &machine)
{
    if (machine == QLatin1String("x86_64"))
        return QStringLiteral("AMD64");
    if (machine.size() == 4 && machine.startsWith(QLatin1Char('i')) && machine.endsWith(QLatin1String("86")))
        return QStringLiteral("x86");
    if (machine == QLatin1String("aarch64") || machine == QLatin1String("arm64"))
        return QStringLiteral("ARM64");
    if (machine.startsWith(QLatin1String("arm")))
        return QStringLiteral("ARM");
    return machine;
}

QString account()
{
    if (const passwd *entry = getpwuid(geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return {};
}

// The Linux equivalent of a Windows environment fact, in the Windows format.
QString equivalent(const QString &name)
{
    const QString key = name.toUpper();
    if (key == QLatin1String("COMPUTERNAME"))
        return QHostInfo::localHostName().section(QLatin1Char('.'), 0, 0).toUpper();
    if (key == QLatin1String("NUMBER_OF_PROCESSORS")) {
        const long online = sysconf(_SC_NPROCESSORS_ONLN);
        return online > 0 ? QString::number(online) : QString();
    }
    if (key == QLatin1String("PROCESSOR_ARCHITECTURE"))
        return architecture(machine());
    if (key == QLatin1String("PROCESSOR_IDENTIFIER") || key == QLatin1String("PROCESSOR_LEVEL")
        || key == QLatin1String("PROCESSOR_REVISION")) {
        const auto cpus = processors();
        if (cpus.empty() || cpus.front().family < 0)
            return {};
        const linuxhw::LogicalCpu &cpu = cpus.front();
        if (key == QLatin1String("PROCESSOR_LEVEL"))
            return QString::number(cpu.family);
        if (key == QLatin1String("PROCESSOR_REVISION"))
            return cpu.model >= 0 && cpu.stepping >= 0 ? linuxhw::processorRevisionText(cpu) : QString();
        return linuxhw::processorCaption(cpu) + QStringLiteral(", ") + cpu.vendor;
    }
    if (key == QLatin1String("USERNAME")) {
        const QString user = qEnvironmentVariable("USER");
        return user.isEmpty() ? account() : user;
    }
    if (key == QLatin1String("USERPROFILE"))
        return QDir::homePath();
    // The root of the file system holds the system, as C:\ does on Windows; the system's
    // own files live under /usr.
    if (key == QLatin1String("SYSTEMDRIVE"))
        return QStringLiteral("/");
    if (key == QLatin1String("SYSTEMROOT") || key == QLatin1String("WINDIR"))
        return QStringLiteral("/usr");
    return {};
}

} // namespace

QString environmentValue(const QString &name)
{
    // Windows matches variable names without regard to case: "computername" finds COMPUTERNAME.
    for (const QString &candidate : {name, name.toUpper()}) {
        const QString value = qEnvironmentVariable(candidate.toLocal8Bit().constData());
        if (!value.isEmpty())
            return value;
    }
    return equivalent(name);
}

} // namespace platform
