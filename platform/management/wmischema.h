#pragma once
#include <QHash>
#include <QString>
#include <QStringView>

#include <vector>

namespace platform {

// The documented properties of the management classes this program knows, with the kind of
// value management scripting hands out for each: t text, i whole number, r real, b boolean,
// a array. 64-bit numbers, dates and references are texts.

// One class: its name and "Property kind" pairs separated by commas, in documented order.
struct SchemaClass {
    const char *name;
    const char *properties;
};
const std::vector<SchemaClass> &schemaClasses();

struct SchemaProperty {
    QString name;
    char kind;
};

// The documented properties of a class, in order; nullptr for a class the schema lacks.
const std::vector<SchemaProperty> *classSchema(const QString &className);

// The positions of a class's properties in its schema by their exact documented names;
// nullptr for a class the schema lacks.
const QHash<QString, int> *schemaPositions(const QString &className);

// A property of a class's schema by its name, matched without regard to case; nullptr when
// the class does not document it.
const SchemaProperty *schemaProperty(const std::vector<SchemaProperty> &schema, QStringView name);

// "a text", "a whole number", ...: a kind as a message names it.
QString schemaKindName(char kind);

} // namespace platform
