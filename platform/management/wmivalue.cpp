#include "platform/management/wmivalue.h"

#include <cmath>

namespace platform {

WmiValue WmiValue::text(const QString &value)
{
    WmiValue v;
    v.kind_ = Kind::Text;
    v.text_ = value;
    return v;
}

WmiValue WmiValue::integer(qint64 value)
{
    WmiValue v;
    v.kind_ = Kind::Integer;
    v.integer_ = value;
    return v;
}

WmiValue WmiValue::real(double value)
{
    WmiValue v;
    v.kind_ = Kind::Real;
    v.real_ = value;
    return v;
}

WmiValue WmiValue::boolean(bool value)
{
    WmiValue v;
    v.kind_ = Kind::Boolean;
    v.integer_ = value ? 1 : 0;
    return v;
}

WmiValue WmiValue::array(std::vector<WmiValue> elements)
{
    WmiValue v;
    v.kind_ = Kind::Array;
    v.elements_ = std::move(elements);
    return v;
}

QString WmiValue::toText() const
{
    switch (kind_) {
    case Kind::Null: return QString();
    case Kind::Text: return text_;
    case Kind::Integer: return QString::number(integer_);
    case Kind::Real: return QString::number(real_, 'g', 15);
    case Kind::Boolean: return integer_ ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Array: break;
    }
    throw WmiError(QStringLiteral("Type mismatch: an array cannot be shown as text"));
}

double WmiValue::toNumber() const
{
    switch (kind_) {
    case Kind::Integer: return double(integer_);
    case Kind::Real: return real_;
    case Kind::Boolean: return integer_ ? -1.0 : 0.0;
    case Kind::Text: {
        bool ok = false;
        const double value = text_.trimmed().toDouble(&ok);
        if (ok && std::isfinite(value))
            return value;
        break;
    }
    case Kind::Null:
    case Kind::Array: break;
    }
    throw WmiError(QStringLiteral("Type mismatch: the value is not a number"));
}

bool WmiValue::operator==(const WmiValue &other) const
{
    return kind_ == other.kind_ && text_ == other.text_ && integer_ == other.integer_
        && (real_ == other.real_ || (std::isnan(real_) && std::isnan(other.real_))) && elements_ == other.elements_;
}

WmiObject &WmiObject::set(const QString &name, WmiValue value)
{
    for (auto &p : properties_) {
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
            p.value = std::move(value);
            return *this;
        }
    }
    properties_.push_back({name, std::move(value)});
    return *this;
}

WmiObject &WmiObject::append(const QString &name, WmiValue value)
{
    properties_.push_back({name, std::move(value)});
    return *this;
}

const WmiValue &WmiObject::property(QStringView name) const
{
    for (const auto &p : properties_)
        if (QStringView(p.name).compare(name, Qt::CaseInsensitive) == 0)
            return p.value;
    throw WmiError(QStringLiteral("The %1 object has no property \"%2\"").arg(className_, name.toString()));
}

bool WmiObject::hasProperty(QStringView name) const
{
    for (const auto &p : properties_)
        if (QStringView(p.name).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace platform
