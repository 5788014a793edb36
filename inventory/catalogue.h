#pragma once
#include <QStringList>

namespace inventory {

// The hardware classes of the device tree, in the order the tree shows them.
const QStringList &hardwareClassCatalogue();

// The tree label of a class: the name without its first six characters ("Win32_").
QString classLabel(const QString &className);

// Splits a joined record list: records joined with "|" (no escaping), one trailing "|" dropped;
// an empty text holds no record.
QStringList splitJoinedList(QString joined);

// The caption list of a class: every instance's Caption joined with "|" (a Null caption
// adds nothing before its "|"), one trailing "|" removed, split again at every "|".
// Every failure is ignored: a class that cannot be enumerated gives an empty list and an
// instance whose caption cannot be read gives no entry.
QStringList GetClassCaptions(const QString &className);

} // namespace inventory
