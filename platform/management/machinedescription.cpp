#include "platform/management/machinedescription.h"

#include "platform/management/boundedfile.h"
#include "platform/management/orderedjson.h"
#include "platform/management/wmischema.h"

#include <QFile>
#include <QHash>
#include <QMutex>

#include <cerrno>
#include <cstring>
#include <variant>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

struct ClassEntry {
    QString failure; // non-empty: enumerating the class raises this text
    std::vector<WmiObject> instances;
};

struct MachineDescription::Data {
    QHash<QString, QHash<QString, ClassEntry>> namespaces; // lower-case keys
    BatteryFigures battery;
    bool hasBattery = false;
};

namespace {

// A description of 20,000 devices is a few megabytes; anything much larger is not one.
constexpr qint64 maxDescriptionBytes = 64 * 1024 * 1024;

// A mistake in the description, said with where it is ("Win32_Processor, instance 2, ...").
[[noreturn]] void invalid(const QString &where, const QString &what)
{
    throw WmiError(where.isEmpty() ? what : where + QStringLiteral(": ") + what);
}

QString nodeKindName(const JsonNode &node)
{
    switch (node.type) {
    case JsonNode::Type::Null: return QStringLiteral("null");
    case JsonNode::Type::Boolean: return QStringLiteral("a boolean");
    case JsonNode::Type::Integer:
    case JsonNode::Type::Real: return QStringLiteral("a number");
    case JsonNode::Type::String: return QStringLiteral("a text");
    case JsonNode::Type::Array: return QStringLiteral("an array");
    case JsonNode::Type::Object: return QStringLiteral("an object");
    }
    return {};
}

// Whether a value may stand for a property of the documented kind (Null always may). The
// program tells texts, numbers, booleans and arrays apart; whole and real numbers are both numbers.
bool fitsKind(const JsonNode &node, char kind)
{
    switch (node.type) {
    case JsonNode::Type::Null: return true;
    case JsonNode::Type::String: return kind == 't';
    case JsonNode::Type::Integer:
    case JsonNode::Type::Real: return kind == 'i' || kind == 'r';
    case JsonNode::Type::Boolean: return kind == 'b';
    case JsonNode::Type::Array: return kind == 'a';
    case JsonNode::Type::Object: return false;
    }
    return false;
}

WmiValue toValue(const JsonNode &node, const QString &where)
{
    switch (node.type) {
    case JsonNode::Type::Null: return WmiValue();
    case JsonNode::Type::Boolean: return WmiValue::boolean(node.boolean);
    case JsonNode::Type::Integer: return WmiValue::integer(node.integer);
    case JsonNode::Type::Real: return WmiValue::real(node.real);
    case JsonNode::Type::String: return WmiValue::text(node.string);
    case JsonNode::Type::Array: {
        std::vector<WmiValue> elements;
        elements.reserve(node.items.size());
        for (const auto &item : node.items)
            elements.push_back(toValue(item, where));
        return WmiValue::array(std::move(elements));
    }
    case JsonNode::Type::Object: break;
    }
    invalid(where, QStringLiteral("a property value cannot be an object"));
}

WmiObject toInstance(const QString &className, const JsonNode &instance, const QString &where)
{
    if (instance.type != JsonNode::Type::Object)
        invalid(where, QStringLiteral("an instance must be an object, not %1").arg(nodeKindName(instance)));
    const std::vector<SchemaProperty> *schema = classSchema(className);
    WmiObject object(className);
    for (const auto &[name, value] : instance.members) {
        const QString place = where + QStringLiteral(", property \"%1\"").arg(name);
        // Documented properties must have their documented kind; others are kept as written.
        if (const SchemaProperty *property = schema ? schemaProperty(*schema, name) : nullptr; property && !fitsKind(value, property->kind))
            invalid(place, QStringLiteral("%1 is expected, not %2").arg(schemaKindName(property->kind), nodeKindName(value)));
        object.set(name, toValue(value, place));
    }
    return object;
}

ClassEntry toClass(const QString &className, const JsonNode &body, const QString &where)
{
    ClassEntry entry;
    if (body.type == JsonNode::Type::Object) {
        const JsonNode *fails = body.member(QStringLiteral("fails"));
        if (fails && fails->type != JsonNode::Type::String)
            invalid(where, QStringLiteral("\"fails\" must be a text"));
        entry.failure = fails && !fails->string.isEmpty() ? fails->string : QStringLiteral("Not supported");
        return entry;
    }
    if (body.type != JsonNode::Type::Array)
        invalid(where, QStringLiteral("a class must be a list of instances or {\"fails\": text}, not %1").arg(nodeKindName(body)));
    entry.instances.reserve(body.items.size());
    for (size_t i = 0; i < body.items.size(); ++i)
        entry.instances.push_back(toInstance(className, body.items[i], where + QStringLiteral(", instance %1").arg(i + 1)));
    return entry;
}

// A battery figure: a whole number within its range.
qint64 figure(const JsonNode &sysinfo, const char *name, qint64 fallback, qint64 minimum, qint64 maximum)
{
    const JsonNode *node = sysinfo.member(QString::fromLatin1(name));
    if (!node || node->type == JsonNode::Type::Null)
        return fallback;
    const QString where = QStringLiteral("sysinfo, \"%1\"").arg(QLatin1String(name));
    if (node->type != JsonNode::Type::Integer)
        invalid(where, QStringLiteral("a whole number is expected, not %1").arg(nodeKindName(*node)));
    if (node->integer < minimum || node->integer > maximum)
        invalid(where, QStringLiteral("%1 is outside %2..%3").arg(node->integer).arg(minimum).arg(maximum));
    return node->integer;
}

QByteArray readDescription(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw WmiError(QStringLiteral("The machine description \"%1\" cannot be read: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    bool complete = false;
    const bool fits = regular && status.st_size <= maxDescriptionBytes;
    const std::optional<QByteArray> data = fits ? readRegularFile(fd, maxDescriptionBytes, &complete) : std::nullopt;
    const int error = errno;
    ::close(fd);
    if (!regular)
        throw WmiError(QStringLiteral("The machine description \"%1\" is not a regular file").arg(path));
    if (fits && !data)
        throw WmiError(QStringLiteral("The machine description \"%1\" cannot be read: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
    if (!fits || !complete)
        throw WmiError(QStringLiteral("The machine description \"%1\" is larger than %2 MiB").arg(path).arg(maxDescriptionBytes >> 20));
    return *data;
}

std::shared_ptr<const MachineDescription::Data> load(const QString &path)
{
    JsonNode root;
    try {
        root = parseJson(readDescription(path));
    } catch (const WmiError &) {
        throw;
    } catch (const std::exception &e) {
        throw WmiError(QStringLiteral("The machine description \"%1\" is not valid: %2").arg(path, QString::fromUtf8(e.what())));
    }
    auto data = std::make_shared<MachineDescription::Data>();
    try {
        if (root.type != JsonNode::Type::Object)
            invalid({}, QStringLiteral("the description must be a JSON object, not %1").arg(nodeKindName(root)));
        if (const JsonNode *namespaces = root.member(QStringLiteral("namespaces"))) {
            if (namespaces->type != JsonNode::Type::Object)
                invalid({}, QStringLiteral("\"namespaces\" must be an object of namespaces, not %1").arg(nodeKindName(*namespaces)));
            for (const auto &[nsName, classes] : namespaces->members) {
                if (classes.type != JsonNode::Type::Object)
                    invalid(nsName, QStringLiteral("a namespace must be an object of classes, not %1").arg(nodeKindName(classes)));
                auto &nsEntry = data->namespaces[normalisedNamespace(nsName)];
                for (const auto &[className, body] : classes.members)
                    nsEntry[className.toLower()] = toClass(className, body, nsName + QLatin1Char(' ') + className);
            }
        }
        if (const JsonNode *sysinfo = root.member(QStringLiteral("sysinfo"))) {
            if (sysinfo->type != JsonNode::Type::Object)
                invalid({}, QStringLiteral("\"sysinfo\" must be an object, not %1").arg(nodeKindName(*sysinfo)));
            data->hasBattery = true;
            data->battery.fullTime = qint32(figure(*sysinfo, "BatteryFullTime", -1, -1, INT32_MAX));
            data->battery.lifeTime = qint32(figure(*sysinfo, "BatteryLifeTime", -1, -1, INT32_MAX));
            data->battery.lifePercent = qint16(figure(*sysinfo, "BatteryLifePercent", 255, 0, 255));
            data->battery.status = qint16(figure(*sysinfo, "BatteryStatus", 255, 0, 255));
        }
    } catch (const WmiError &error) {
        throw WmiError(QStringLiteral("The machine description \"%1\" is not valid: %2").arg(path, error.text()));
    }
    return data;
}

// A description is static data: it is read once per file version, not once per connection,
// and a description that cannot be used fails every connection with the same error without
// being read again.
std::shared_ptr<const MachineDescription::Data> cachedLoad(const QString &path)
{
    using Outcome = std::variant<std::shared_ptr<const MachineDescription::Data>, QString>;
    static QMutex mutex;
    static QString cachedKey;
    static Outcome cached;
    struct stat status {};
    const QString key = ::stat(QFile::encodeName(path).constData(), &status) != 0
        ? path + QStringLiteral("|missing")
        : QStringLiteral("%1|%2|%3|%4|%5.%6")
              .arg(path)
              .arg(quint64(status.st_dev))
              .arg(quint64(status.st_ino))
              .arg(qint64(status.st_size))
              .arg(qint64(status.st_mtim.tv_sec))
              .arg(qint64(status.st_mtim.tv_nsec));
    QMutexLocker lock(&mutex);
    if (key != cachedKey) {
        try {
            cached = load(path);
        } catch (const WmiError &error) {
            cached = error.text();
        }
        cachedKey = key;
    }
    if (const QString *failure = std::get_if<QString>(&cached))
        throw WmiError(*failure);
    return std::get<0>(cached);
}

} // namespace

MachineDescription::MachineDescription(const QString &path) : data_(cachedLoad(path)) {}

MachineDescription::~MachineDescription() = default;

std::vector<WmiObject> MachineDescription::instancesOf(const QString &nameSpace, const QString &className)
{
    const auto ns = data_->namespaces.constFind(normalisedNamespace(nameSpace));
    if (ns == data_->namespaces.constEnd())
        throw WmiError(QStringLiteral("Invalid namespace \"%1\"").arg(nameSpace));
    const auto entry = ns->constFind(className.toLower());
    if (entry == ns->constEnd())
        return {};
    if (!entry->failure.isEmpty())
        throw WmiError(entry->failure);
    return entry->instances;
}

BatteryFigures MachineDescription::batteryFigures()
{
    if (!data_->hasBattery)
        throw WmiError(QStringLiteral("The machine description has no battery figures"));
    return data_->battery;
}

} // namespace platform
