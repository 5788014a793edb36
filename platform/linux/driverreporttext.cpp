// The driver report in words: the command line's text and JSON, and the one-sentence summary
// the window shows for a device.
#include "platform/linux/driverreport.h"

#include "platform/management/orderedjson.h"

namespace platform::linuxhw {

namespace {

// Device strings come from the hardware: control characters would drive the user's terminal.
QString printable(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return result;
}

QString packageWithArea(const DebianPackage &package)
{
    return package.component == QLatin1String("main") ? package.name
                                                      : package.name + QStringLiteral(" (") + package.component + QLatin1Char(')');
}

QString providersText(const FirmwareFile &file)
{
    if (file.providers.empty())
        return QStringLiteral("no package known");
    QStringList names;
    for (const DebianPackage &package : file.providers)
        names << packageWithArea(package);
    return names.join(QStringLiteral(", "));
}

// "a, b and 3 more": a module can declare hundreds of files.
QString firstFew(const QStringList &items, int shown = 3)
{
    if (items.size() <= shown)
        return items.join(QStringLiteral(", "));
    return items.mid(0, shown).join(QStringLiteral(", ")) + QStringLiteral(" and %1 more").arg(items.size() - shown);
}

QString modulesText(const DriverEntry &entry)
{
    QStringList modules;
    for (const ModuleCandidate &module : entry.modules)
        modules << module.name + QStringLiteral(" (") + module.state + QLatin1Char(')');
    return modules.join(QStringLiteral(", "));
}

QString driverText(const DriverEntry &entry)
{
    if (entry.driver.isEmpty())
        return QStringLiteral("none");
    if (entry.driverModule.isEmpty() || entry.driverModule == entry.driver)
        return entry.driver;
    return entry.driver + QStringLiteral(" (module ") + entry.driverModule + QLatin1Char(')');
}

QByteArray jsonStrings(const QStringList &values)
{
    QByteArray text = "[";
    for (qsizetype i = 0; i < values.size(); ++i)
        text += (i ? ", " : "") + jsonQuoted(values[i]);
    return text + ']';
}

QByteArray jsonFirmware(const FirmwareFile &file)
{
    QByteArray text = "{\"file\": " + jsonQuoted(file.file) + ", \"present\": " + (file.present ? "true" : "false")
        + ", \"packages\": [";
    for (size_t i = 0; i < file.providers.size(); ++i)
        text += QByteArray(i ? ", " : "") + "{\"name\": " + jsonQuoted(file.providers[i].name)
            + ", \"area\": " + jsonQuoted(file.providers[i].component) + '}';
    return text + "]}";
}

QByteArray jsonText(const QString &text)
{
    return text.isEmpty() ? QByteArray("null") : jsonQuoted(text);
}

} // namespace

QString statusName(DriverEntry::Status status)
{
    using Status = DriverEntry::Status;
    switch (status) {
    case Status::InUse: return QStringLiteral("in use");
    case Status::MissingFirmware: return QStringLiteral("missing firmware");
    case Status::NotLoaded: return QStringLiteral("not loaded");
    case Status::Blacklisted: return QStringLiteral("blacklisted");
    case Status::NotBound: return QStringLiteral("not bound");
    case Status::NothingKnown: return QStringLiteral("nothing known");
    case Status::NoneNeeded: return QStringLiteral("no driver needed");
    }
    return {};
}

QString driverSummary(const DriverReport &report, const DriverEntry &entry)
{
    using Status = DriverEntry::Status;
    QStringList notLoaded, usable, blacklisted;
    for (const ModuleCandidate &module : entry.modules) {
        if (module.state == QLatin1String("not loaded"))
            notLoaded << module.name;
        else if (module.state == QLatin1String("blacklisted"))
            blacklisted << module.name;
        else
            usable << module.name;
    }
    QString sentence;
    switch (entry.status) {
    case Status::InUse:
        sentence = QStringLiteral("In use: driver %1.").arg(driverText(entry));
        break;
    case Status::MissingFirmware: {
        QStringList files;
        for (const FirmwareFile &file : entry.missingFirmware)
            files << file.file;
        sentence = (entry.driver.isEmpty() ? QString() : QStringLiteral("In use: driver %1. ").arg(driverText(entry)))
            + QStringLiteral("Missing firmware %1").arg(firstFew(files));
        QStringList install;
        for (const FirmwareFile &file : entry.missingFirmware)
            for (const DebianPackage &package : file.providers)
                if (entry.install.contains(package.name) && !install.contains(packageWithArea(package)))
                    install << packageWithArea(package);
        sentence += install.isEmpty() ? QStringLiteral("; no Debian package is known to provide it.")
                                      : QStringLiteral(": install %1.").arg(install.join(QStringLiteral(", ")));
        break;
    }
    case Status::NotLoaded:
        sentence = QStringLiteral("Available but not loaded: module %1. Load it as root with \"modprobe %2\".")
                       .arg(notLoaded.join(QStringLiteral(", ")), notLoaded.first());
        break;
    case Status::Blacklisted:
        sentence = QStringLiteral("Not loaded: module %1 is blacklisted in /etc/modprobe.d.").arg(blacklisted.join(QStringLiteral(", ")));
        break;
    case Status::NotBound:
        sentence = QStringLiteral("No driver took this device, although module %1 is there; the kernel log (journalctl -k) says why.")
                       .arg(usable.join(QStringLiteral(", ")));
        break;
    case Status::NothingKnown:
        sentence = report.moduleIndex
            ? QStringLiteral("Nothing known: no driver is bound, and no module or package claims this device.")
            : QStringLiteral("No driver is bound; this kernel has no module index (built-in drivers only), so no module can be named.");
        break;
    case Status::NoneNeeded:
        sentence = QStringLiteral("No driver is bound, and the device works without one.");
        break;
    }
    if (entry.status != Status::MissingFirmware && !entry.install.isEmpty())
        sentence += QStringLiteral(" Packages for it: %1.").arg(entry.install.join(QStringLiteral(", ")));
    return sentence;
}

QByteArray driverReportText(const DriverReport &report)
{
    QString text = QStringLiteral("Linux drivers of %1 (kernel %2)\n")
                       .arg(printable(report.computer), report.kernelRelease.isEmpty() ? QStringLiteral("unknown") : report.kernelRelease);
    if (report.moduleIndex)
        text += QStringLiteral("Module index: %1\n").arg(report.moduleDirectory);
    else
        text += QStringLiteral("This kernel has no module index (%1 is missing): it runs on built-in drivers only, "
                               "so modules that are not loaded cannot be named.\n")
                    .arg(report.moduleDirectory.isEmpty() ? QStringLiteral("/lib/modules") : report.moduleDirectory);
    if (report.packageData)
        text += QStringLiteral("Package data: /usr/share/isenkram (%1)\n").arg(report.codename.isEmpty() ? QStringLiteral("no release named") : report.codename);
    else
        text += QStringLiteral("No Debian package data: install isenkram-cli to have packages named.\n");
    qsizetype action = 0;
    for (const DriverEntry &entry : report.devices)
        action += entry.needsAction() ? 1 : 0;
    text += QStringLiteral("%1 devices, %2 need action.\n").arg(report.devices.size()).arg(action);

    for (const DriverEntry &entry : report.devices) {
        text += QLatin1Char('\n') + QString(entry.needsAction() ? QStringLiteral("! ") : QStringLiteral("  ")) + printable(entry.caption) + QLatin1Char('\n');
        auto line = [&text](const char *label, const QString &value) {
            if (!value.isEmpty())
                text += QStringLiteral("    %1 %2\n").arg(QLatin1String(label), -14).arg(printable(value));
        };
        line("hardware ID:", entry.hardwareId);
        line("alias:", entry.modalias);
        line("status:", statusName(entry.status));
        line("driver:", driverText(entry));
        line("modules:", modulesText(entry));
        QStringList missing;
        for (const FirmwareFile &file : entry.missingFirmware)
            missing << file.file + QStringLiteral(" (") + providersText(file) + QLatin1Char(')');
        line("missing:", firstFew(missing));
        line("install:", entry.install.join(QStringLiteral(" ")));
        if (entry.status != DriverEntry::Status::InUse && entry.status != DriverEntry::Status::NoneNeeded)
            line("what to do:", driverSummary(report, entry));
    }
    return text.toUtf8();
}

QByteArray driverReportJson(const DriverReport &report)
{
    QByteArray text = "{\n  \"computer\": " + jsonQuoted(report.computer) + ",\n  \"kernel\": " + jsonText(report.kernelRelease)
        + ",\n  \"moduleIndex\": " + (report.moduleIndex ? jsonQuoted(report.moduleDirectory) : QByteArray("null"))
        + ",\n  \"packageData\": " + (report.packageData ? "true" : "false") + ",\n  \"devices\": [";
    for (size_t d = 0; d < report.devices.size(); ++d) {
        const DriverEntry &entry = report.devices[d];
        text += d ? ",\n    {" : "\n    {";
        text += "\"caption\": " + jsonQuoted(entry.caption) + ", \"hardwareId\": " + jsonText(entry.hardwareId)
            + ", \"deviceId\": " + jsonText(entry.deviceId) + ", \"sysfsPath\": " + jsonQuoted(entry.sysPath)
            + ", \"modalias\": " + jsonQuoted(entry.modalias) + ", \"status\": " + jsonQuoted(statusName(entry.status))
            + ", \"needsAction\": " + (entry.needsAction() ? "true" : "false") + ", \"driver\": " + jsonText(entry.driver)
            + ", \"driverModule\": " + jsonText(entry.driverModule) + ", \"modules\": [";
        for (size_t m = 0; m < entry.modules.size(); ++m) {
            const ModuleCandidate &module = entry.modules[m];
            text += QByteArray(m ? ", " : "") + "{\"name\": " + jsonQuoted(module.name) + ", \"state\": " + jsonQuoted(module.state)
                + ", \"firmware\": [";
            for (size_t f = 0; f < module.firmware.size(); ++f)
                text += (f ? ", " : "") + jsonFirmware(module.firmware[f]);
            text += "]}";
        }
        text += "], \"missingFirmware\": [";
        for (size_t f = 0; f < entry.missingFirmware.size(); ++f)
            text += (f ? ", " : "") + jsonFirmware(entry.missingFirmware[f]);
        text += "], \"install\": " + jsonStrings(entry.install) + ", \"summary\": " + jsonQuoted(driverSummary(report, entry)) + '}';
    }
    return text + (report.devices.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

} // namespace platform::linuxhw
