#pragma once
#include <QList>
#include <QString>

namespace deviceproblems {

// What a device's ConfigManagerErrorCode means, worded as the Windows device managers word it:
// "The drivers for this device are not installed. (Code 28)". Codes without a known meaning
// still name their number. Code 0 means the device works; it has no problem text.
QString problemText(qint64 code);

// One device node of the hardware tree: its text, and what the instance behind it reports.
struct DeviceNode {
    QString text;
    qint64 problemCode = 0; // ConfigManagerErrorCode; 0 when the device works or reports none
    QString pnpDeviceId;    // empty when the instance reports none
};

// The device nodes of a class: exactly the entries of its caption list (the captions joined
// with "|" and split again, failures ignored), each with the instance it came from, read in
// the same single enumeration. An entry cut from a caption holding "|" keeps its instance.
QList<DeviceNode> classDeviceNodes(const QString &className);

} // namespace deviceproblems
