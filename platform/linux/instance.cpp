#include "platform/linux/instance.h"

namespace platform::linuxhw {

Instance::Instance(const QString &className) : className_(className) {}

// Sources write property names as documented; exact matching keeps building cheap, and
// object() still matches any other spelling to its documented name.
Instance &Instance::set(const QString &name, WmiValue value)
{
    for (Value &existing : values_) {
        if (existing.name == name) {
            existing.value = std::move(value);
            return *this;
        }
    }
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
    std::vector<bool> used(values_.size(), false);
    auto find = [&](const SchemaProperty &property) -> const WmiValue * {
        for (size_t i = 0; i < values_.size(); ++i)
            if (!used[i] && values_[i].name == property.name)
                return used[i] = true, &values_[i].value;
        for (size_t i = 0; i < values_.size(); ++i)
            if (!used[i] && values_[i].name.compare(property.name, Qt::CaseInsensitive) == 0)
                return used[i] = true, &values_[i].value;
        return nullptr;
    };
    if (schema) {
        for (const SchemaProperty &property : *schema) {
            const WmiValue *value = find(property);
            object.append(property.name, value ? *value : WmiValue());
        }
    }
    // A value the schema does not list is kept at the end rather than lost; the schema test
    // reports it.
    for (size_t i = 0; i < values_.size(); ++i)
        if (!used[i] && !values_[i].value.isNull())
            object.set(values_[i].name, values_[i].value);
    return object;
}

} // namespace platform::linuxhw
