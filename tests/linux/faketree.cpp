#include "tests/linux/faketree.h"

#include "platform/management/wmischema.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTest>

#include <sys/stat.h>

FakeTree::FakeTree()
{
    // Tiny ID files of our own, so names do not depend on the installed ones.
    write(QStringLiteral("/ids/pci.ids"), "# test\n8086  Intel Corporation\n\t1912  HD Graphics 530\n\t15b8  Ethernet Connection (2) I219-V\n"
                                          "10de  NVIDIA Corporation\n\t1c03  GP106 [GeForce GTX 1060 6GB]\n"
                                          "10ec  Realtek Semiconductor Co., Ltd.\n\t8168  RTL8111/8168/8411 PCI Express Gigabit Ethernet Controller\n"
                                          "C 00  Unclassified device\n");
    write(QStringLiteral("/ids/usb.ids"), "046d  Logitech, Inc.\n\tc077  M105 Optical Mouse\n\tc31c  Keyboard K120\n");
    write(QStringLiteral("/ids/pnp.ids"), "DEL\tDell Inc.\nSAM\tSamsung Electric Company\n");
    pciIds = dir_.filePath(QStringLiteral("ids/pci.ids"));
    usbIds = dir_.filePath(QStringLiteral("ids/usb.ids"));
    pnpIds = dir_.filePath(QStringLiteral("ids/pnp.ids"));
    attribute(QStringLiteral("/proc/sys/kernel/hostname"), "desk");
}

void FakeTree::write(const QString &path, const QByteArray &content)
{
    const QString file = dir_.path() + path;
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    QVERIFY2(out.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file));
    out.write(content);
}

void FakeTree::link(const QString &path, const QString &target)
{
    const QString file = dir_.path() + path;
    QDir().mkpath(QFileInfo(file).path());
    const QString relative = QDir(QFileInfo(file).path()).relativeFilePath(dir_.path() + target);
    QVERIFY2(QFile::link(relative, file), qPrintable(file));
}

void FakeTree::literalLink(const QString &path, const QString &target)
{
    const QString file = dir_.path() + path;
    QDir().mkpath(QFileInfo(file).path());
    QFile::remove(file);
    QVERIFY2(QFile::link(target, file), qPrintable(file));
}

void FakeTree::fifo(const QString &path)
{
    const QString file = dir_.path() + path;
    QDir().mkpath(QFileInfo(file).path());
    QVERIFY2(::mkfifo(QFile::encodeName(file).constData(), 0600) == 0, qPrintable(file));
}

void FakeTree::folder(const QString &path)
{
    QDir().mkpath(dir_.path() + path);
}

void FakeTree::copy(const QString &from, const QString &path)
{
    QFile in(from);
    QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(from));
    write(path, in.readAll());
}

void FakeTree::attributes(const QString &folder, std::initializer_list<std::pair<const char *, QByteArray>> values)
{
    for (const auto &[name, value] : values)
        attribute(folder + QLatin1Char('/') + QLatin1String(name), value);
}

void FakeTree::pciFunction(const QString &address, quint16 vendor, quint16 device, quint32 classCode, const QString &driver,
                           quint16 subVendor, quint16 subDevice, int revision)
{
    const QString folder = QStringLiteral("/sys/devices/pci0000:00/") + address;
    auto hex = [](qint64 value, int digits) { return QByteArray::number(value, 16).rightJustified(digits, '0'); };
    attributes(folder, {{"vendor", "0x" + hex(vendor, 4)},
                        {"device", "0x" + hex(device, 4)},
                        {"subsystem_vendor", "0x" + hex(subVendor, 4)},
                        {"subsystem_device", "0x" + hex(subDevice, 4)},
                        {"class", "0x" + hex(classCode, 6)},
                        {"revision", "0x" + hex(revision, 2)}});
    QByteArray uevent = "PCI_CLASS=" + hex(classCode, 1).toUpper() + "\nPCI_ID=" + hex(vendor, 4).toUpper() + ':'
        + hex(device, 4).toUpper() + "\nPCI_SUBSYS_ID=" + hex(subVendor, 4).toUpper() + ':' + hex(subDevice, 4).toUpper()
        + "\nPCI_SLOT_NAME=" + address.toLatin1() + '\n';
    if (!driver.isEmpty()) {
        uevent = "DRIVER=" + driver.toLatin1() + '\n' + uevent;
        link(folder + QStringLiteral("/driver"), QStringLiteral("/sys/bus/pci/drivers/") + driver);
        this->folder(QStringLiteral("/sys/bus/pci/drivers/") + driver);
    }
    write(folder + QStringLiteral("/uevent"), uevent);
    link(folder + QStringLiteral("/subsystem"), QStringLiteral("/sys/bus/pci"));
    link(QStringLiteral("/sys/bus/pci/devices/") + address, folder);
}

platform::LinuxProvider::Options FakeTree::options() const
{
    platform::LinuxProvider::Options options;
    options.root = dir_.path();
    options.pciIds = pciIds;
    options.usbIds = usbIds;
    options.pnpIds = pnpIds;
    return options;
}

std::vector<platform::WmiObject> FakeTree::instancesOf(const QString &className, const QString &nameSpace) const
{
    platform::LinuxProvider provider(options());
    return provider.instancesOf(nameSpace, className);
}

namespace {

// The program's own schema in the words of the schema file, when that file is not there.
QHash<QString, QHash<QString, QString>> builtInSchema()
{
    QHash<QString, QHash<QString, QString>> result;
    for (const platform::SchemaClass &schema : platform::schemaClasses()) {
        auto &properties = result[QString::fromLatin1(schema.name).toLower()];
        for (const platform::SchemaProperty &property : *platform::classSchema(QString::fromLatin1(schema.name)))
            properties.insert(property.name.toLower(), property.kind == 't' ? QStringLiteral("text")
                                                           : property.kind == 'b' ? QStringLiteral("boolean")
                                                           : property.kind == 'a' ? QStringLiteral("array")
                                                                                  : QStringLiteral("number"));
    }
    return result;
}

// class (lower case) → property (lower case) → kind word of the schema file
const QHash<QString, QHash<QString, QString>> &schema()
{
    static const QHash<QString, QHash<QString, QString>> table = [] {
        QHash<QString, QHash<QString, QString>> result;
        QFile file(testsupport::sharedPath(QStringLiteral("inventory-data/wmi/wmi-schema.tsv")));
        if (!file.open(QIODevice::ReadOnly))
            return builtInSchema();
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith('#') || line.isEmpty())
                continue;
            const QList<QByteArray> fields = line.split('\t');
            if (fields.size() >= 5)
                result[QString::fromLatin1(fields[0]).toLower()][QString::fromLatin1(fields[2]).toLower()] = QString::fromLatin1(fields[4]);
        }
        return result;
    }();
    return table;
}

bool kindMatches(const platform::WmiValue &value, const QString &kind)
{
    using Kind = platform::WmiValue::Kind;
    if (value.isNull())
        return true;
    if (kind.startsWith(QLatin1String("array"))) {
        if (value.kind() != Kind::Array)
            return false;
        const QString elementKind = kind.mid(9);
        if (elementKind.isEmpty())
            return true;
        for (const platform::WmiValue &element : value.elements())
            if (!kindMatches(element, elementKind))
                return false;
        return true;
    }
    if (kind == QLatin1String("number"))
        return value.isNumber();
    if (kind == QLatin1String("boolean"))
        return value.kind() == Kind::Boolean;
    return value.kind() == Kind::Text; // text, text(uint64), text(datetime), text(ref)
}

} // namespace

QStringList captions(const std::vector<platform::WmiObject> &instances)
{
    QStringList result;
    for (const platform::WmiObject &instance : instances)
        result << instance.property(u"Caption").toText();
    return result;
}

QStringList schemaViolations(const std::vector<platform::WmiObject> &instances)
{
    QStringList problems;
    if (schema().isEmpty())
        return {QStringLiteral("the schema file cannot be read")};
    for (const platform::WmiObject &instance : instances) {
        const auto properties = schema().value(instance.className().toLower());
        if (properties.isEmpty()) {
            problems << instance.className() + QStringLiteral(": class not in the schema");
            continue;
        }
        for (const platform::WmiProperty &property : instance.properties()) {
            const QString kind = properties.value(property.name.toLower());
            if (kind.isEmpty())
                problems << instance.className() + QLatin1Char('.') + property.name + QStringLiteral(": not in the schema");
            else if (!kindMatches(property.value, kind))
                problems << instance.className() + QLatin1Char('.') + property.name + QStringLiteral(": not ") + kind;
        }
    }
    return problems;
}
