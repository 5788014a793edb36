#pragma once
#include "platform/linux/linuxprovider.h"
#include "tests/support/testsupport.h"

#include <QFileInfo>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <utility>
#include <vector>

// A machine's /sys, /proc and /etc written into a temporary folder, read through the live
// provider with that folder as its root.
class FakeTree {
public:
    FakeTree();

    QString root() const { return dir_.path(); }
    // Writes a file (folders are made as needed); a sysfs attribute gets its newline.
    void write(const QString &path, const QByteArray &content);
    void attribute(const QString &path, const QByteArray &value) { write(path, value + '\n'); }
    // Attributes of one folder, by their names in it.
    void attributes(const QString &folder, std::initializer_list<std::pair<const char *, QByteArray>> values);
    // A symbolic link at path pointing to the machine path target (made relative).
    void link(const QString &path, const QString &target);
    // A symbolic link holding exactly this target, absolute or climbing with "..".
    void literalLink(const QString &path, const QString &target);
    // A named pipe, which a reader would wait on for ever.
    void fifo(const QString &path);
    void folder(const QString &path);
    // Copies a file from outside into the tree.
    void copy(const QString &from, const QString &path);

    // A PCI function under /sys/devices/pci0000:00 with its /sys/bus/pci/devices link.
    void pciFunction(const QString &address, quint16 vendor, quint16 device, quint32 classCode, const QString &driver = {},
                     quint16 subVendor = 0, quint16 subDevice = 0, int revision = 0);

    platform::LinuxProvider::Options options() const;
    // The instances of a class as the live provider reads them from this tree.
    std::vector<platform::WmiObject> instancesOf(const QString &className, const QString &nameSpace = QStringLiteral("root\\cimv2")) const;

    QString pciIds, usbIds, pnpIds;

private:
    QTemporaryDir dir_;
};

// Every property of every instance has the value kind the class schema file names (Null
// always allowed) and nothing outside the schema; returns the differences. Without the shared
// schema file the program's own schema is the reference.
QStringList schemaViolations(const std::vector<platform::WmiObject> &instances);

// The captions of the instances, in order.
QStringList captions(const std::vector<platform::WmiObject> &instances);

// Skips the test, naming the folder, when the shared test data is not beside the project (a
// clone of the project alone).
#define SKIP_WITHOUT_SHARED_DATA()                                                                                          \
    do {                                                                                                                     \
        if (!QFileInfo::exists(testsupport::sharedPath(QStringLiteral("inventory-data"))))                                  \
            QSKIP(qPrintable(QStringLiteral("the shared test data folder %1 is absent")                                    \
                                 .arg(testsupport::sharedPath(QStringLiteral("inventory-data")))));                          \
    } while (false)
