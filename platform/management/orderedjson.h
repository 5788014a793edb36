#pragma once
#include <QByteArray>
#include <QString>

#include <vector>

namespace platform {

struct JsonMember;

// A JSON value that keeps object members in file order and tells whole numbers from reals
// (QJsonObject does neither). Used for machine descriptions.
struct JsonNode {
    enum class Type { Null, Boolean, Integer, Real, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    qint64 integer = 0;
    double real = 0;
    QString string;
    std::vector<JsonNode> items;
    std::vector<JsonMember> members;

    const JsonNode *member(const QString &name) const;
};

struct JsonMember {
    QString name;
    JsonNode value;
};

// Parses a JSON document. Raises std::runtime_error with the byte offset on malformed input;
// nesting is bounded so hostile input cannot exhaust the stack.
JsonNode parseJson(const QByteArray &text);

// Writes a JSON string literal (with quotes) for a text.
QByteArray jsonQuoted(const QString &text);

} // namespace platform
