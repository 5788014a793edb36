#include "inventory/cli.h"

#include "inventory/catalogue.h"
#include "inventory/wmi.h"
#include "platform/linux/driverreport.h"
#include "platform/management/orderedjson.h"

#include <QFileInfo>

#include <cmath>
#include <cstdio>

namespace inventory {

namespace {

const char usage[] =
    "Usage: driver-searcher [--list | --json | --drivers [--json]] [--root DIR]\n"
    "\n"
    "Without options the program opens its window.\n"
    "\n"
    "  --list       print the hardware inventory as an indented tree: every hardware class,\n"
    "               its devices and their properties (properties without a value are left out)\n"
    "  --json       print the same inventory as JSON, every property included (null when unknown)\n"
    "  --drivers    which Linux driver each device needs, whether it is there, what to install\n"
    "               (devices that need action first; with --json as JSON)\n"
    "  --root DIR   read the hardware from DIR instead of / (a copied or recorded /sys and /proc);\n"
    "               without --list or --json the window opens on that hardware\n"
    "  --help       show this help\n";

struct ClassResult {
    QString className;
    std::vector<WmiObject> instances;
    QString error; // set when the class could not be enumerated
};

ClassResult enumerate(const QString &className)
{
    ClassResult result{className, {}, {}};
    try {
        result.instances = connectManagement(QStringLiteral("winmgmts:")).InstancesOf(className);
    } catch (const WmiError &error) {
        result.error = error.text();
    } catch (const std::exception &error) {
        result.error = QString::fromLocal8Bit(error.what());
    }
    return result;
}


QByteArray jsonValue(const WmiValue &value)
{
    switch (value.kind()) {
    case WmiValue::Kind::Null: return "null";
    case WmiValue::Kind::Text: return platform::jsonQuoted(value.textValue());
    case WmiValue::Kind::Integer: return QByteArray::number(value.integerValue());
    case WmiValue::Kind::Real:
        return std::isfinite(value.realValue()) ? QByteArray::number(value.realValue(), 'g', 17) : QByteArray("null");
    case WmiValue::Kind::Boolean: return value.booleanValue() ? "true" : "false";
    case WmiValue::Kind::Array: {
        QByteArray text = "[";
        for (size_t i = 0; i < value.elements().size(); ++i)
            text += (i ? ", " : "") + jsonValue(value.elements()[i]);
        return text + ']';
    }
    }
    return "null";
}

QByteArray jsonClasses(const std::vector<ClassResult> &classes)
{
    QByteArray text = "[";
    for (size_t c = 0; c < classes.size(); ++c) {
        const ClassResult &result = classes[c];
        text += c ? ",\n    {" : "\n    {";
        text += "\"class\": " + platform::jsonQuoted(result.className);
        if (!result.error.isEmpty()) {
            text += ", \"error\": " + platform::jsonQuoted(result.error) + '}';
            continue;
        }
        text += ", \"instances\": [";
        for (size_t i = 0; i < result.instances.size(); ++i) {
            text += i ? ",\n      {" : "\n      {";
            const auto &properties = result.instances[i].properties();
            for (size_t p = 0; p < properties.size(); ++p)
                text += (p ? ", " : "") + platform::jsonQuoted(properties[p].name) + ": " + jsonValue(properties[p].value);
            text += '}';
        }
        text += result.instances.empty() ? "]}" : "\n    ]}";
    }
    return text + (classes.empty() ? "]" : "\n  ]");
}

QString listValue(const WmiValue &value)
{
    if (value.kind() != WmiValue::Kind::Array)
        return value.toText();
    QStringList parts;
    for (const WmiValue &element : value.elements())
        parts << listValue(element);
    return QLatin1Char('{') + parts.join(QStringLiteral(", ")) + QLatin1Char('}');
}

QByteArray listClasses(const std::vector<ClassResult> &classes)
{
    QString text;
    for (const ClassResult &result : classes) {
        text += QStringLiteral("  ") + classLabel(result.className) + QLatin1Char('\n');
        if (!result.error.isEmpty()) {
            text += QStringLiteral("    (cannot be read: ") + result.error + QStringLiteral(")\n");
            continue;
        }
        int number = 0;
        for (const WmiObject &instance : result.instances) {
            ++number;
            QString heading = instance.hasProperty(u"Caption") ? instance.property(u"Caption").toText() : QString();
            if (heading.isEmpty())
                heading = QStringLiteral("(instance %1)").arg(number);
            text += QStringLiteral("    ") + heading + QLatin1Char('\n');
            for (const WmiProperty &property : instance.properties())
                if (!property.value.isNull())
                    text += QStringLiteral("      ") + property.name + QStringLiteral(": ") + listValue(property.value) + QLatin1Char('\n');
        }
    }
    return text.toUtf8();
}

int fail(QByteArray *errors, const QString &message)
{
    *errors += ("driver-searcher: " + message + "\nTry \"driver-searcher --help\".\n").toUtf8();
    return 2;
}

void write(FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

std::optional<int> runCommandLine(const QStringList &arguments)
{
    QByteArray output, errors;
    const std::optional<int> exitCode = runCommandLine(arguments, &output, &errors);
    write(stdout, output);
    write(stderr, errors);
    return exitCode;
}

std::optional<int> runCommandLine(const QStringList &arguments, QByteArray *output, QByteArray *errors)
{
    if (arguments.size() <= 1)
        return std::nullopt;
    bool list = false, json = false, drivers = false;
    QString root;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            *output += usage;
            return 0;
        }
        if (argument == QLatin1String("--list")) {
            list = true;
        } else if (argument == QLatin1String("--json")) {
            json = true;
        } else if (argument == QLatin1String("--drivers")) {
            drivers = true;
        } else if (argument == QLatin1String("--root") || argument.startsWith(QLatin1String("--root="))) {
            if (argument.contains(QLatin1Char('=')))
                root = argument.section(QLatin1Char('='), 1);
            else if (i + 1 < arguments.size())
                root = arguments[++i];
            else
                return fail(errors, QStringLiteral("--root needs a folder"));
            if (root.isEmpty())
                return fail(errors, QStringLiteral("--root needs a folder"));
            if (!QFileInfo(root).isDir())
                return fail(errors, QStringLiteral("the folder \"%1\" does not exist").arg(root));
        } else {
            return fail(errors, QStringLiteral("unknown option \"%1\"").arg(argument));
        }
    }
    if (!root.isEmpty()) {
        // The folder named on the command line wins over a machine description in the environment.
        qputenv("DRIVERSEARCHER_ROOT", QFileInfo(root).absoluteFilePath().toLocal8Bit());
        qunsetenv("DRIVERSEARCHER_MACHINE");
    }
    if (drivers) {
        const auto report = platform::linuxhw::buildDriverReport(platform::LinuxProvider::Options::fromEnvironment());
        *output += json ? platform::linuxhw::driverReportJson(report) : platform::linuxhw::driverReportText(report);
        return 0;
    }
    if (!list && !json)
        return std::nullopt;

    std::vector<ClassResult> system = {enumerate(QStringLiteral("Win32_ComputerSystem")),
                                       enumerate(QStringLiteral("Win32_OperatingSystem"))};
    std::vector<ClassResult> classes;
    for (const QString &className : hardwareClassCatalogue())
        classes.push_back(enumerate(className));
    QString computer;
    if (!system.front().instances.empty() && system.front().instances.front().hasProperty(u"Caption"))
        computer = system.front().instances.front().property(u"Caption").toText();

    if (json) {
        *output += "{\n  \"computer\": " + platform::jsonQuoted(computer) + ",\n  \"system\": " + jsonClasses(system)
            + ",\n  \"classes\": " + jsonClasses(classes) + "\n}\n";
    } else {
        *output += computer.toUtf8() + '\n' + listClasses(system) + listClasses(classes);
    }
    return 0;
}

} // namespace inventory
