#include "windows/main/systemsummary.h"

#include "platform/environment.h"

#include <QLocale>

#include <cmath>

namespace systemsummary {

using inventory::WmiObject;
using inventory::WmiValue;

namespace {

constexpr qint64 kOsTypeLinux = 36;

// The leading number of a version text, as a numeric conversion that stops at the first
// character that cannot continue it ("6.0.6000" reads 6.0).
double leadingNumber(const QString &text)
{
    qsizetype end = 0;
    while (end < text.size() && text.at(end) == QLatin1Char(' '))
        ++end;
    const qsizetype start = end;
    bool point = false;
    while (end < text.size() && (text.at(end).isDigit() || (!point && text.at(end) == QLatin1Char('.')))) {
        point = point || text.at(end) == QLatin1Char('.');
        ++end;
    }
    return text.mid(start, end - start).toDouble();
}

QString textOrEmpty(const WmiObject &object, QStringView name)
{
    const WmiValue &value = object.property(name);
    return value.isNull() ? QString() : value.toText();
}

} // namespace

QString shortOperatingSystemName(const std::vector<WmiObject> &systems, const QString &current)
{
    QString name = current;
    for (const WmiObject &system : systems) {
        if (system.hasProperty(u"OSType") && system.property(u"OSType").kind() == WmiValue::Kind::Integer
            && system.property(u"OSType").integerValue() == kOsTypeLinux) {
            name = QStringLiteral("Linux");
            continue;
        }
        switch (static_cast<int>(std::trunc(leadingNumber(textOrEmpty(system, u"Version"))))) {
        case 6: name = QStringLiteral("Windows Vista"); break;
        case 5: name = QStringLiteral("Windows XP"); break;
        case 4: name = QStringLiteral("Windows 98"); break;
        default: break;
        }
    }
    return name;
}

QString operatingSystemDescription(const std::vector<WmiObject> &systems)
{
    QString text;
    for (const WmiObject &system : systems) {
        text += textOrEmpty(system, u"Name") + QStringLiteral(", ") + textOrEmpty(system, u"csdversion") + QStringLiteral(", ")
            + textOrEmpty(system, u"Version") + QStringLiteral("\r\n");
    }
    return text;
}

std::vector<EnvironmentLine> environmentLines(const QString &operatingSystemDescription)
{
    auto env = [](const char *name) { return platform::environmentValue(QString::fromLatin1(name)); };
    return {
        {"Text14", QStringLiteral("Computer name: ") + env("computername")},
        {"Text10", QStringLiteral("Type of Operating System: ") + operatingSystemDescription},
        {"Text5", QStringLiteral("Number of Processors: ") + env("NUMBER_OF_PROCESSORS")},
        {"Text13", QStringLiteral("Processor Architecture: ") + env("PROCESSOR_ARCHITECTURE")},
        {"Text12", QStringLiteral("Processor Indentifier: ") + env("PROCESSOR_IDENTIFIER")},
        {"Text15", QStringLiteral("Processor Level: ") + env("PROCESSOR_LEVEL")},
        {"Text7", QStringLiteral("Processor Revision: ") + env("PROCESSOR_REVISION")},
        {"Text8", QStringLiteral("Current UserName: ") + env("USERNAME")},
        {"Text9", QStringLiteral("Location of User Profile: ") + env("USERPROFILE")},
        {"Text6", env("SystemDrive")},
        {"Text11", QStringLiteral("System Root: ") + env("SystemRoot")},
    };
}

QString formatBatteryHours(qint32 seconds)
{
    if (seconds < 0)
        return QStringLiteral("Unknown");
    // Round to tenths first so 0.95 h becomes "1.0"; whole part without leading zeros.
    const qint64 tenths = std::llround(double(seconds) / 360.0);
    const qint64 whole = tenths / 10;
    return (whole == 0 ? QString() : QString::number(whole)) + QLatin1Char('.') + QString::number(tenths % 10);
}

QStringList batteryLines(const platform::BatteryFigures &figures)
{
    QStringList lines;
    lines << QStringLiteral("BatteryFullTime = ") + formatBatteryHours(figures.fullTime)
                 + (figures.fullTime < 0 ? QString() : QStringLiteral(" Hours"));
    lines << QStringLiteral("BatteryLifeTime = ") + formatBatteryHours(figures.lifeTime);
    const bool percentKnown = figures.lifePercent >= 0 && figures.lifePercent <= 100;
    lines << QStringLiteral("BatteryLifePercent = ")
            + (percentKnown ? QString::number(figures.lifePercent, 'f', 2) + QLatin1Char('%') : QStringLiteral("Unknown"));
    switch (figures.status) {
    case 1: lines << QStringLiteral("BatteryStatus = HIGH"); break;
    case 2: lines << QStringLiteral("BatteryStatus = LOW"); break;
    case 4: lines << QStringLiteral("BatteryStatus = CRITICAL"); break;
    case 128: lines << QStringLiteral("BatteryStatus = NO BATTERY"); break;
    case 255: lines << QStringLiteral("BatteryStatus = UNKNOWN"); break;
    default: break;
    }
    return lines;
}

QString cpuTemperature(const std::vector<WmiObject> &zones)
{
    double degrees = 0;
    for (const WmiObject &zone : zones)
        degrees = std::nearbyint((zone.property(u"CurrentTemperature").toNumber() - 2732.0) / 10.0);
    return QString::number(qint64(degrees));
}

QString programmingLabel(const QString &architecture)
{
    return architecture == QLatin1String("x86") ? QStringLiteral("32-bit") : QString();
}

} // namespace systemsummary
