#pragma once
#include "platform/management/wmischema.h"
#include "platform/management/wmivalue.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace platform::linuxhw {

// Builds one management object: every documented property of its class in documented order,
// Null where the source has no value. Empty texts and missing numbers become Null, because
// a value that cannot be read is unknown, not empty.
class Instance {
public:
    explicit Instance(const QString &className);

    Instance &set(const QString &name, WmiValue value);
    Instance &text(const QString &name, const QString &value);
    Instance &number(const QString &name, std::optional<qint64> value);
    Instance &real(const QString &name, std::optional<double> value);
    Instance &flag(const QString &name, std::optional<bool> value);
    Instance &texts(const QString &name, const QStringList &values);
    Instance &numbers(const QString &name, const std::vector<qint64> &values);

    const QString &className() const { return className_; }
    WmiObject object() const;

private:
    struct Value {
        QString name;
        WmiValue value;
    };
    QString className_;
    std::vector<Value> values_;
};

} // namespace platform::linuxhw
