#include "platform/linux/instance.h"

#include <algorithm>

namespace platform::linuxhw {

Instance::Instance(const QString &className) : className_(className) {}

// Values are only noted here; object() puts them in place, a later value of a property
// replacing an earlier one.
Instance &Instance::set(const QString &name, WmiValue value)
{
    values_.push_back({name, std::move(value)});
    return *this;
}

Instance &Instance::text(const QString &name, const QString &value)
{
    return set(name, value.isEmpty() ? WmiValue() : WmiValue::text(value));
}

Instance &Instance::number(const QString &name, std::optional<qint64> value)
{
    return set(name, value ? WmiValue::integer(*value) : WmiValue());
}

Instance &Instance::real(const QString &name, std::optional<double> value)
{
    return set(name, value ? WmiValue::real(*value) : WmiValue());
}

Instance &Instance::flag(const QString &name, std::optional<bool> value)
{
    return set(name, value ? WmiValue::boolean(*value) : WmiValue());
}

Instance &Instance::texts(const QString &name, const QStringList &values)
{
    if (values.isEmpty())
        return set(name, WmiValue());
    std::vector<WmiValue> elements;
    for (const QString &value : values)
        elements.push_back(WmiValue::text(value));
    return set(name, WmiValue::array(std::move(elements)));
}

Instance &Instance::numbers(const QString &name, const std::vector<qint64> &values)
{
    if (values.empty())
        return set(name, WmiValue());
    std::vector<WmiValue> elements;
    for (qint64 value : values)
        elements.push_back(WmiValue::integer(value));
    return set(name, WmiValue::array(std::move(elements)));
}

WmiObject Instance::object() const
{
    WmiObject object(className_);
    const std::vector<SchemaProperty> *schema = classSchema(className_);
    const QHash<QString, int> *positions = schemaPositions(className_);
    const size_t documented = schema ? schema->size() : 0;
    // Each value to its place in the schema: by its exact name, which is how sources write
    // them, else without regard to case; a value the schema does not list goes last.
    std::vector<const WmiValue *> places(documented, nullptr);
    std::vector<const Value *> others;
    for (const Value &value : values_) {
        const int place = positions ? positions->value(value.name, -1) : -1;
        const SchemaProperty *loose = place < 0 && schema ? schemaProperty(*schema, value.name) : nullptr;
        const size_t index = place >= 0 ? size_t(place) : loose ? size_t(loose - schema->data()) : documented;
        if (index < documented)
            places[index] = &value.value;
        else
            others.push_back(&value); // the schema test reports it
    }
    object.reserve(documented + others.size());
    for (size_t i = 0; i < documented; ++i)
        object.append((*schema)[i].name, places[i] ? *places[i] : WmiValue());
    // An undocumented property appears with its last value, unless that is Null.
    for (size_t i = 0; i < others.size(); ++i) {
        const bool replaced = std::any_of(others.begin() + qsizetype(i) + 1, others.end(),
                                          [&](const Value *later) { return later->name == others[i]->name; });
        if (!replaced && !others[i]->value.isNull())
            object.set(others[i]->name, others[i]->value);
    }
    return object;
}

} // namespace platform::linuxhw
