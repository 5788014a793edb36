#pragma once
#include "inventory/wmi.h"

#include <QStringList>

namespace deviceproperties {

// Whether a property is listed: Null values, arrays and values equal to the number 1
// (a numeric 1, or a text that reads as 1) are left out; everything else is listed.
bool isListed(const inventory::WmiValue &value);

// The property entries ("Name^Value") of every instance of the class named by the path's
// class label whose Caption equals the device text exactly. The entries are joined with "|"
// and split again, so a "|" inside a value yields an extra entry. Every failure is ignored:
// what cannot be read simply yields fewer entries.
QStringList GetDeviceProperties(const QStringList &pathParts);

} // namespace deviceproperties
