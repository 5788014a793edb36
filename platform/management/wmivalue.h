#pragma once
#include <QString>

#include <stdexcept>
#include <vector>

namespace platform {

// A failure raised by a management operation (connect, enumerate, read a property).
class WmiError : public std::runtime_error {
public:
    explicit WmiError(const QString &text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString &text() const { return text_; }

private:
    QString text_;
};

// A property value of the kinds that management scripting hands out: Null, text, number
// (whole or real), boolean, array. 64-bit integers, dates and references are texts.
class WmiValue {
public:
    enum class Kind { Null, Text, Integer, Real, Boolean, Array };

    WmiValue() = default;
    static WmiValue text(const QString &value);
    static WmiValue integer(qint64 value);
    static WmiValue real(double value);
    static WmiValue boolean(bool value);
    static WmiValue array(std::vector<WmiValue> elements);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool isNumber() const { return kind_ == Kind::Integer || kind_ == Kind::Real; }

    const QString &textValue() const { return text_; }
    qint64 integerValue() const { return integer_; }
    double realValue() const { return real_; }
    bool booleanValue() const { return integer_ != 0; }
    const std::vector<WmiValue> &elements() const { return elements_; }

    // The standard conversion to text: texts unchanged, whole numbers in plain decimal,
    // reals in their shortest form, booleans "True"/"False", Null the empty text.
    // An array cannot be converted: raises WmiError.
    QString toText() const;

    // The number the value reads as: numbers and booleans directly, texts when they read
    // as a number (leading and trailing blanks allowed). Raises WmiError otherwise.
    double toNumber() const;

    bool operator==(const WmiValue &other) const;

private:
    Kind kind_ = Kind::Null;
    QString text_;
    qint64 integer_ = 0;
    double real_ = 0;
    std::vector<WmiValue> elements_;
};

struct WmiProperty {
    QString name;
    WmiValue value;
};

// One management object: its class and its properties in the provider's order.
class WmiObject {
public:
    WmiObject() = default;
    explicit WmiObject(const QString &className) : className_(className) {}

    const QString &className() const { return className_; }
    const std::vector<WmiProperty> &properties() const { return properties_; }

    // Appends a property; a later property of the same name (ignoring case) replaces it.
    WmiObject &set(const QString &name, WmiValue value);
    // Appends a property the object cannot have yet (its builder knows the names are distinct):
    // set without the search, for providers that build thousands of objects.
    WmiObject &append(const QString &name, WmiValue value);
    void reserve(size_t properties) { properties_.reserve(properties); }

    // The value of a named property, the name matched without regard to case.
    // Raises WmiError when the object has no such property.
    const WmiValue &property(QStringView name) const;
    bool hasProperty(QStringView name) const;

private:
    QString className_;
    std::vector<WmiProperty> properties_;
};

} // namespace platform
