#include "inventory/cli.h"

#include "inventory/catalogue.h"
#include "inventory/wmi.h"
#include "platform/linux/driverreport.h"
#include "platform/management/orderedjson.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace inventory {

namespace {

const char usage[] =
    "Usage: driver-searcher [--list | --json | --drivers [--json]] [--root DIR]\n"
    "\n"
    "Without options the program opens its window; Qt's own options (-style, -platform, ...)\n"
    "reach the window, and arguments the window does not know are ignored.\n"
    "\n"
    "  --list       print the hardware inventory as an indented tree: every hardware class,\n"
    "               its devices and their properties (properties without a value are left out)\n"
    "  --json       print the same inventory as JSON, every property included (null when unknown)\n"
    "  --drivers    which Linux driver each device needs, whether it is there, what to install\n"
    "               (devices that need action first; with --json as JSON)\n"
    "  --root DIR   read the hardware from DIR instead of / (a copied or recorded /sys and /proc);\n"
    "               without --list or --json the window opens on that hardware\n"
    "  --version    show the version\n"
    "  --help       show this help\n";

struct ClassResult {
    QString className;
    std::vector<WmiObject> instances;
    QString error; // set when the class could not be enumerated
};

ClassResult enumerate(platform::ManagementProvider &provider, const QString &className)
{
    ClassResult result{className, {}, {}};
    try {
        result.instances = provider.instancesOf(QStringLiteral("root\\cimv2"), className);
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

// The text tree goes to a terminal, and device-supplied strings are outside input: a control
// character (an escape sequence could retitle or clear the terminal) is shown as \xHH.
QString printable(const QString &text)
{
    auto isControl = [](QChar c) { return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0); };
    if (std::none_of(text.cbegin(), text.cend(), isControl))
        return text;
    QString result;
    result.reserve(text.size() + 8);
    for (const QChar c : text)
        result += isControl(c) ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')) : QString(c);
    return result;
}

QString listValue(const WmiValue &value)
{
    if (value.kind() != WmiValue::Kind::Array)
        return printable(value.toText());
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
            text += QStringLiteral("    (cannot be read: ") + printable(result.error) + QStringLiteral(")\n");
            continue;
        }
        int number = 0;
        for (const WmiObject &instance : result.instances) {
            ++number;
            QString heading = instance.hasProperty(u"Caption") ? instance.property(u"Caption").toText() : QString();
            if (heading.isEmpty())
                heading = QStringLiteral("(instance %1)").arg(number);
            text += QStringLiteral("    ") + printable(heading) + QLatin1Char('\n');
            for (const WmiProperty &property : instance.properties())
                if (!property.value.isNull())
                    text += QStringLiteral("      ") + property.name + QStringLiteral(": ") + listValue(property.value) + QLatin1Char('\n');
        }
    }
    return text.toUtf8();
}

// An option the parser did not know, as it was written ("--lst", "-x").
QString writtenAs(const QStringList &arguments, const QString &name)
{
    for (const QString &argument : arguments) {
        const QString option = argument.section(QLatin1Char('='), 0, 0);
        if (option.startsWith(QLatin1Char('-')) && option.mid(option.startsWith(QLatin1String("--")) ? 2 : 1) == name)
            return option;
    }
    return name;
}

int fail(QByteArray *errors, const QString &message)
{
    *errors += ("driver-searcher: " + message + "\nTry \"driver-searcher --help\".\n").toUtf8();
    return 2;
}

// Whether all of the bytes reached the stream (a full disk, a closed pipe, /dev/full: not).
bool write(FILE *stream, const QByteArray &bytes)
{
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    return std::fflush(stream) == 0 && written;
}

} // namespace

std::optional<int> runCommandLine(const QStringList &arguments)
{
    QByteArray output, errors;
    std::optional<int> exitCode = runCommandLine(arguments, &output, &errors);
    if (!write(stdout, output)) {
        errors += "driver-searcher: the output cannot be written: " + QByteArray(std::strerror(errno)) + '\n';
        exitCode = 1;
    }
    write(stderr, errors);
    return exitCode;
}

std::optional<int> runCommandLine(const QStringList &arguments, QByteArray *output, QByteArray *errors)
{
    QCommandLineParser parser;
    // One dash or two: "-style Fusion" stays one unknown word for the window's Qt, not five letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption listOption(QStringLiteral("list"));
    const QCommandLineOption jsonOption(QStringLiteral("json"));
    const QCommandLineOption driversOption(QStringLiteral("drivers"));
    const QCommandLineOption rootOption(QStringLiteral("root"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    parser.addOptions({listOption, jsonOption, driversOption, rootOption, helpOption, versionOption});
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(helpOption)) {
        *output += usage;
        return 0;
    }
    if (parser.isSet(versionOption)) {
        *output += "driver-searcher " + QCoreApplication::applicationVersion().toUtf8() + '\n';
        return 0;
    }
    const bool inventory = parser.isSet(listOption) || parser.isSet(jsonOption) || parser.isSet(driversOption);
    // The window ignores what it does not know (Qt's own options among it); the command-line
    // inventory does not guess.
    if (inventory && !parser.unknownOptionNames().isEmpty())
        return fail(errors, QStringLiteral("unknown option \"%1\"").arg(writtenAs(arguments, parser.unknownOptionNames().first())));
    if (inventory && !parser.positionalArguments().isEmpty())
        return fail(errors, QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    if (!parsed && parser.unknownOptionNames().isEmpty())
        return fail(errors, parser.errorText()); // a value is missing: "--root" at the end
    if (parser.isSet(rootOption)) {
        const QString root = parser.value(rootOption);
        const QFileInfo folder(root);
        if (root.isEmpty())
            return fail(errors, QStringLiteral("--root needs a folder"));
        if (!folder.exists())
            return fail(errors, QStringLiteral("the folder \"%1\" does not exist").arg(root));
        if (!folder.isDir())
            return fail(errors, QStringLiteral("\"%1\" is not a folder").arg(root));
        // The folder named on the command line wins over a machine description in the environment.
        qputenv("DRIVERSEARCHER_ROOT", folder.absoluteFilePath().toLocal8Bit());
        qunsetenv("DRIVERSEARCHER_MACHINE");
    }
    if (parser.isSet(driversOption)) {
        const auto report = platform::linuxhw::buildDriverReport(platform::LinuxProvider::Options::fromEnvironment());
        *output += parser.isSet(jsonOption) ? platform::linuxhw::driverReportJson(report)
                                            : platform::linuxhw::driverReportText(report);
        return 0;
    }
    if (!inventory)
        return std::nullopt;

    // The inventory is one reading of the machine, every class from it. A source that cannot
    // be used at all (a broken machine description) is reported once.
    std::unique_ptr<platform::ManagementProvider> provider;
    try {
        provider = platform::createManagementProvider(true);
    } catch (const WmiError &error) {
        *errors += "driver-searcher: " + error.text().toUtf8() + '\n';
        return 1;
    }
    std::vector<ClassResult> system = {enumerate(*provider, QStringLiteral("Win32_ComputerSystem")),
                                       enumerate(*provider, QStringLiteral("Win32_OperatingSystem"))};
    std::vector<ClassResult> classes;
    for (const QString &className : hardwareClassCatalogue())
        classes.push_back(enumerate(*provider, className));
    QString computer;
    if (!system.front().instances.empty() && system.front().instances.front().hasProperty(u"Caption"))
        computer = system.front().instances.front().property(u"Caption").toText();

    if (parser.isSet(jsonOption)) {
        *output += "{\n  \"computer\": " + platform::jsonQuoted(computer) + ",\n  \"system\": " + jsonClasses(system)
            + ",\n  \"classes\": " + jsonClasses(classes) + "\n}\n";
    } else {
        *output += printable(computer).toUtf8() + '\n' + listClasses(system) + listClasses(classes);
    }
    return 0;
}

} // namespace inventory
