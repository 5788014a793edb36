#include "platform/management/machinedescription.h"

#include "platform/management/orderedjson.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

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
    throw WmiError(QStringLiteral("%1: a property value cannot be an object").arg(where));
}

qint64 figure(const JsonNode &sysinfo, const char *name, qint64 fallback)
{
    const JsonNode *node = sysinfo.member(QString::fromLatin1(name));
    return node && node->type == JsonNode::Type::Integer ? node->integer : fallback;
}

std::shared_ptr<const MachineDescription::Data> load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw WmiError(QStringLiteral("The machine description \"%1\" cannot be read: %2").arg(path, file.errorString()));
    JsonNode root;
    try {
        root = parseJson(file.readAll());
    } catch (const std::exception &e) {
        throw WmiError(QStringLiteral("The machine description \"%1\" is not valid: %2").arg(path, QString::fromUtf8(e.what())));
    }
    if (root.type != JsonNode::Type::Object)
        throw WmiError(QStringLiteral("The machine description \"%1\" is not a JSON object").arg(path));

    auto data = std::make_shared<MachineDescription::Data>();
    if (const JsonNode *namespaces = root.member(QStringLiteral("namespaces"))) {
        for (const auto &[nsName, classes] : namespaces->members) {
            auto &nsEntry = data->namespaces[normalisedNamespace(nsName)];
            for (const auto &[className, body] : classes.members) {
                ClassEntry &entry = nsEntry[className.toLower()];
                const QString where = path + QLatin1Char(':') + className;
                if (body.type == JsonNode::Type::Object) {
                    const JsonNode *fails = body.member(QStringLiteral("fails"));
                    entry.failure = fails && fails->type == JsonNode::Type::String && !fails->string.isEmpty()
                        ? fails->string
                        : QStringLiteral("Not supported");
                    continue;
                }
                if (body.type != JsonNode::Type::Array)
                    throw WmiError(QStringLiteral("%1: a class must be a list of instances").arg(where));
                entry.instances.reserve(body.items.size());
                for (const auto &instance : body.items) {
                    if (instance.type != JsonNode::Type::Object)
                        throw WmiError(QStringLiteral("%1: an instance must be an object").arg(where));
                    WmiObject object(className);
                    for (const auto &[propName, value] : instance.members)
                        object.set(propName, toValue(value, where));
                    entry.instances.push_back(std::move(object));
                }
            }
        }
    }
    if (const JsonNode *sysinfo = root.member(QStringLiteral("sysinfo"))) {
        data->hasBattery = true;
        data->battery.fullTime = qint32(figure(*sysinfo, "BatteryFullTime", -1));
        data->battery.lifeTime = qint32(figure(*sysinfo, "BatteryLifeTime", -1));
        data->battery.lifePercent = qint16(figure(*sysinfo, "BatteryLifePercent", 255));
        data->battery.status = qint16(figure(*sysinfo, "BatteryStatus", 255));
    }
    return data;
}

// A description is static data: parse it once per file version, not once per connection.
std::shared_ptr<const MachineDescription::Data> cachedLoad(const QString &path)
{
    static QMutex mutex;
    static QString cachedKey;
    static std::shared_ptr<const MachineDescription::Data> cached;
    const QFileInfo info(path);
    const QString key = info.absoluteFilePath() + QLatin1Char('|') + QString::number(info.size()) + QLatin1Char('|')
        + QString::number(info.lastModified().toMSecsSinceEpoch());
    QMutexLocker lock(&mutex);
    if (!cached || key != cachedKey) {
        cached = load(path);
        cachedKey = key;
    }
    return cached;
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
