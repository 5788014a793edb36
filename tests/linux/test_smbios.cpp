// The SMBIOS tables of real machines, placed under a fake root, against dmidecode's reading
// of the same tables.
#include "platform/linux/smbios.h"
#include "tests/linux/faketree.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using platform::WmiObject;

namespace {

// One structure as dmidecode prints it: its type and "Key: value" lines.
struct Decoded {
    int type = -1;
    QHash<QString, QString> fields;
    QString value(const char *key) const { return fields.value(QLatin1String(key)); }
};

struct Decode {
    QString version; // "2.7"
    std::vector<Decoded> structures;
    std::vector<Decoded> ofType(int type) const
    {
        std::vector<Decoded> result;
        for (const Decoded &structure : structures)
            if (structure.type == type)
                result.push_back(structure);
        return result;
    }
};

Decode readDmidecode(const QString &path)
{
    Decode decode;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return decode;
    static const QRegularExpression handle(QStringLiteral("^Handle 0x[0-9A-F]+, DMI type (\\d+),"));
    static const QRegularExpression present(QStringLiteral("^SMBIOS (\\d+)\\.(\\d+)(\\.\\d+)? present"));
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw);
        if (const auto match = present.match(line); match.hasMatch())
            decode.version = match.captured(1) + QLatin1Char('.') + match.captured(2);
        if (const auto match = handle.match(line); match.hasMatch()) {
            decode.structures.push_back({match.captured(1).toInt(), {{QStringLiteral("Handle"), line.section(QLatin1Char(','), 0, 0).mid(7)}}});
            continue;
        }
        if (decode.structures.empty() || !line.startsWith(QLatin1Char('\t')) || line.startsWith(QLatin1String("\t\t")))
            continue;
        const qsizetype colon = line.indexOf(QLatin1String(": "));
        if (colon > 0)
            decode.structures.back().fields.insert(line.mid(1, colon - 1), line.mid(colon + 2));
    }
    return decode;
}

// dmidecode's word for a string the table does not give.
QString expectedText(const QString &decoded)
{
    return decoded == QLatin1String("Not Specified") ? QString() : decoded;
}

QString text(const WmiObject &object, const char16_t *name)
{
    return object.property(name).isNull() ? QString() : object.property(name).textValue();
}

// "32 GB" / "8192 MB" → bytes.
qint64 sizeBytes(const QString &decoded)
{
    const QStringList parts = decoded.split(QLatin1Char(' '));
    const qint64 value = parts.value(0).toLongLong();
    const QString unit = parts.value(1);
    if (unit == QLatin1String("GB"))
        return value << 30;
    if (unit == QLatin1String("MB"))
        return value << 20;
    if (unit == QLatin1String("kB"))
        return value << 10;
    return -1;
}

} // namespace

class TestSmbios : public QObject {
    Q_OBJECT

private slots:
    void tablesAgreeWithDmidecode_data()
    {
        QTest::addColumn<QString>("machine");
        for (const char *machine : {"ASRock-Single-Ryzen", "Dell-PowerEdge-R630-Dual-Xeon", "HyperV", "toshiba-satellite-pro-l70"})
            QTest::newRow(machine) << QString::fromLatin1(machine);
    }

    void tablesAgreeWithDmidecode()
    {
        SKIP_WITHOUT_SHARED_DATA();
        QFETCH(QString, machine);
        const QString folder = testsupport::sharedPath(QStringLiteral("inventory-data/smbios/") + machine);
        const Decode decode = readDmidecode(folder + QStringLiteral("/dmidecode.txt"));
        QVERIFY(!decode.structures.empty());
        FakeTree tree;
        tree.copy(folder + QStringLiteral("/smbios_entry_point"), QStringLiteral("/sys/firmware/dmi/tables/smbios_entry_point"));
        tree.copy(folder + QStringLiteral("/DMI"), QStringLiteral("/sys/firmware/dmi/tables/DMI"));

        // BIOS
        const auto bios = tree.instancesOf(QStringLiteral("Win32_BIOS"));
        const auto decodedBios = decode.ofType(0);
        QCOMPARE(bios.size(), decodedBios.size());
        for (size_t i = 0; i < bios.size(); ++i) {
            QCOMPARE(text(bios[i], u"Manufacturer"), expectedText(decodedBios[i].value("Vendor")));
            QCOMPARE(text(bios[i], u"SMBIOSBIOSVersion"), expectedText(decodedBios[i].value("Version")));
            QCOMPARE(text(bios[i], u"Caption"), expectedText(decodedBios[i].value("Version")));
            const QStringList date = decodedBios[i].value("Release Date").split(QLatin1Char('/'));
            QCOMPARE(text(bios[i], u"ReleaseDate"), date[2] + date[0] + date[1] + QStringLiteral("000000.000000+000"));
            QCOMPARE(QStringLiteral("%1.%2").arg(bios[i].property(u"SMBIOSMajorVersion").integerValue()).arg(bios[i].property(u"SMBIOSMinorVersion").integerValue()),
                     decode.version);
            QCOMPARE(bios[i].property(u"SMBIOSPresent"), platform::WmiValue::boolean(true));
        }

        // Base boards
        const auto boards = tree.instancesOf(QStringLiteral("Win32_BaseBoard"));
        const auto decodedBoards = decode.ofType(2);
        QCOMPARE(boards.size(), decodedBoards.size());
        for (size_t i = 0; i < boards.size(); ++i) {
            QCOMPARE(text(boards[i], u"Manufacturer"), expectedText(decodedBoards[i].value("Manufacturer")));
            QCOMPARE(text(boards[i], u"Product"), expectedText(decodedBoards[i].value("Product Name")));
            QCOMPARE(text(boards[i], u"Version"), expectedText(decodedBoards[i].value("Version")));
            QCOMPARE(text(boards[i], u"SerialNumber"), expectedText(decodedBoards[i].value("Serial Number")));
            QCOMPARE(text(boards[i], u"Caption"), QStringLiteral("Base Board"));
        }

        // Enclosures
        const auto enclosures = tree.instancesOf(QStringLiteral("Win32_SystemEnclosure"));
        const auto decodedChassis = decode.ofType(3);
        QCOMPARE(enclosures.size(), decodedChassis.size());
        for (size_t i = 0; i < enclosures.size(); ++i) {
            QCOMPARE(text(enclosures[i], u"Manufacturer"), expectedText(decodedChassis[i].value("Manufacturer")));
            QCOMPARE(text(enclosures[i], u"SerialNumber"), expectedText(decodedChassis[i].value("Serial Number")));
            QCOMPARE(text(enclosures[i], u"SMBIOSAssetTag"), expectedText(decodedChassis[i].value("Asset Tag")));
            QCOMPARE(enclosures[i].property(u"LockPresent").booleanValue(), decodedChassis[i].value("Lock") == QLatin1String("Present"));
            QCOMPARE(enclosures[i].property(u"ChassisTypes").kind(), platform::WmiValue::Kind::Array);
        }

        // Memory: installed modules only, arrays, mapped ranges
        std::vector<Decoded> installed;
        for (const Decoded &module : decode.ofType(17))
            if (module.value("Size") != QLatin1String("No Module Installed"))
                installed.push_back(module);
        const auto memory = tree.instancesOf(QStringLiteral("Win32_PhysicalMemory"));
        QCOMPARE(memory.size(), installed.size());
        for (size_t i = 0; i < memory.size(); ++i) {
            QCOMPARE(text(memory[i], u"DeviceLocator"), expectedText(installed[i].value("Locator")));
            QCOMPARE(text(memory[i], u"BankLabel"), expectedText(installed[i].value("Bank Locator")));
            QCOMPARE(text(memory[i], u"Manufacturer"), expectedText(installed[i].value("Manufacturer")));
            QCOMPARE(text(memory[i], u"SerialNumber"), expectedText(installed[i].value("Serial Number")));
            QCOMPARE(text(memory[i], u"PartNumber"), expectedText(installed[i].value("Part Number")));
            QCOMPARE(text(memory[i], u"Capacity").toLongLong(), sizeBytes(installed[i].value("Size")));
            const QString speed = installed[i].value("Speed");
            if (speed.endsWith(QLatin1String(" MT/s")))
                QCOMPARE(memory[i].property(u"Speed").integerValue(), speed.section(QLatin1Char(' '), 0, 0).toLongLong());
            else
                QVERIFY(memory[i].property(u"Speed").isNull());
            QCOMPARE(text(memory[i], u"Tag"), QStringLiteral("Physical Memory %1").arg(i));
        }
        const auto arrays = tree.instancesOf(QStringLiteral("Win32_PhysicalMemoryArray"));
        const auto decodedArrays = decode.ofType(16);
        QCOMPARE(arrays.size(), decodedArrays.size());
        for (size_t i = 0; i < arrays.size(); ++i)
            QCOMPARE(arrays[i].property(u"MemoryDevices").integerValue(), decodedArrays[i].value("Number Of Devices").toLongLong());
        const auto mapped = tree.instancesOf(QStringLiteral("Win32_MemoryArray"));
        QCOMPARE(mapped.size(), decode.ofType(19).size());
        const auto mappedDevices = tree.instancesOf(QStringLiteral("Win32_MemoryDevice"));
        QCOMPARE(mappedDevices.size(), decode.ofType(20).size());
        // The abstract class answers with both kinds, arrays first.
        const auto smbiosMemory = tree.instancesOf(QStringLiteral("Win32_SMBIOSMemory"));
        QCOMPARE(smbiosMemory.size(), mapped.size() + mappedDevices.size());
        if (!mapped.empty())
            QCOMPARE(smbiosMemory.front().className(), QStringLiteral("Win32_MemoryArray"));

        // Slots and connectors
        const auto systemSlots = tree.instancesOf(QStringLiteral("Win32_SystemSlot"));
        const auto decodedSlots = decode.ofType(9);
        QCOMPARE(systemSlots.size(), decodedSlots.size());
        for (size_t i = 0; i < systemSlots.size(); ++i) {
            QCOMPARE(text(systemSlots[i], u"SlotDesignation"), expectedText(decodedSlots[i].value("Designation")));
            // "0000:04:00.0": segment, bus, device, function
            const QStringList address = decodedSlots[i].value("Bus Address").split(QRegularExpression(QStringLiteral("[:.]")));
            if (address.size() == 4)
                QCOMPARE((QList<qint64>{systemSlots[i].property(u"SegmentGroupNumber").integerValue(), systemSlots[i].property(u"BusNumber").integerValue(),
                                        systemSlots[i].property(u"DeviceNumber").integerValue(), systemSlots[i].property(u"FunctionNumber").integerValue()}),
                         (QList<qint64>{address[0].toLongLong(nullptr, 16), address[1].toLongLong(nullptr, 16), address[2].toLongLong(nullptr, 16),
                                        address[3].toLongLong(nullptr, 16)}));
            else
                QVERIFY(systemSlots[i].property(u"BusNumber").isNull());
            const QString usage = decodedSlots[i].value("Current Usage");
            const qint64 expected = usage == QLatin1String("Available") ? 3 : usage == QLatin1String("In Use") ? 4 : usage == QLatin1String("Unknown") ? 2 : -1;
            if (expected > 0)
                QCOMPARE(systemSlots[i].property(u"CurrentUsage").integerValue(), expected);
        }
        const auto connectors = tree.instancesOf(QStringLiteral("Win32_PortConnector"));
        const auto decodedConnectors = decode.ofType(8);
        QCOMPARE(connectors.size(), decodedConnectors.size());
        for (size_t i = 0; i < connectors.size(); ++i) {
            QCOMPARE(text(connectors[i], u"InternalReferenceDesignator"), expectedText(decodedConnectors[i].value("Internal Reference Designator")));
            QCOMPARE(text(connectors[i], u"ExternalReferenceDesignator"), expectedText(decodedConnectors[i].value("External Reference Designator")));
            // "Other" has no code in management's list of port types.
            static const QHash<QString, qint64> portTypes = {{QStringLiteral("Audio Port"), 29}, {QStringLiteral("Keyboard Port"), 13},
                                                             {QStringLiteral("Mouse Port"), 14}, {QStringLiteral("Network Port"), 31},
                                                             {QStringLiteral("Serial Port 16550A Compatible"), 9}, {QStringLiteral("USB"), 16},
                                                             {QStringLiteral("Video Port"), 28}};
            const QString portType = decodedConnectors[i].value("Port Type");
            if (portTypes.contains(portType))
                QCOMPARE(connectors[i].property(u"PortType").integerValue(), portTypes.value(portType));
            else
                QVERIFY2(connectors[i].property(u"PortType").isNull(), qPrintable(portType));
        }

        // The first populated socket's voltage and whole caches, with the processor the kernel lists.
        tree.copy(testsupport::sharedPath(QStringLiteral("inventory-data/proc-firecracker/cpuinfo")), QStringLiteral("/proc/cpuinfo"));
        const WmiObject processor = tree.instancesOf(QStringLiteral("Win32_Processor")).at(0);
        std::vector<Decoded> populated;
        for (const Decoded &socket : decode.ofType(4))
            if (socket.value("Status").startsWith(QLatin1String("Populated")))
                populated.push_back(socket);
        const Decoded socket = populated.empty() ? Decoded{} : populated.front();
        const QString voltage = socket.value("Voltage");
        if (voltage.endsWith(QLatin1String(" V")))
            QCOMPARE(processor.property(u"CurrentVoltage").integerValue(), qRound64(voltage.chopped(2).toDouble() * 10));
        for (const auto &[level, property] : {std::pair{"L2 Cache Handle", u"L2CacheSize"}, std::pair{"L3 Cache Handle", u"L3CacheSize"}}) {
            const QString handle = socket.value(level);
            if (!handle.startsWith(QLatin1String("0x")))
                continue;
            for (const Decoded &cache : decode.ofType(7))
                if (cache.value("Handle") == handle)
                    QCOMPARE(processor.property(property).integerValue() * 1024, sizeBytes(cache.value("Installed Size")));
        }

        // Every class fed by the table keeps the documented value kinds.
        for (const char *className : {"Win32_BIOS", "Win32_BaseBoard", "Win32_SystemEnclosure", "Win32_PhysicalMemory",
                                      "Win32_PhysicalMemoryArray", "Win32_SMBIOSMemory", "Win32_SystemSlot", "Win32_PortConnector",
                                      "Win32_OnBoardDevice", "Win32_CacheMemory", "Win32_PortableBattery", "Win32_VoltageProbe",
                                      "Win32_TemperatureProbe", "Win32_CurrentProbe", "Win32_Fan", "Win32_HeatPipe"}) {
            const QStringList violations = schemaViolations(tree.instancesOf(QString::fromLatin1(className)));
            QVERIFY2(violations.isEmpty(), qPrintable(violations.join(QLatin1Char('\n'))));
        }
    }

    void laptopExtrasAreRead()
    {
        SKIP_WITHOUT_SHARED_DATA();
        // The Toshiba has a portable battery (22), a voltage probe (26) and a cooling device (27).
        const QString folder = testsupport::sharedPath(QStringLiteral("inventory-data/smbios/toshiba-satellite-pro-l70"));
        FakeTree tree;
        tree.copy(folder + QStringLiteral("/smbios_entry_point"), QStringLiteral("/sys/firmware/dmi/tables/smbios_entry_point"));
        tree.copy(folder + QStringLiteral("/DMI"), QStringLiteral("/sys/firmware/dmi/tables/DMI"));
        const Decode decode = readDmidecode(folder + QStringLiteral("/dmidecode.txt"));
        const auto batteries = tree.instancesOf(QStringLiteral("Win32_PortableBattery"));
        QCOMPARE(batteries.size(), decode.ofType(22).size());
        QVERIFY(!batteries.empty());
        QCOMPARE(text(batteries[0], u"Location"), expectedText(decode.ofType(22)[0].value("Location")));
        QCOMPARE(text(batteries[0], u"Manufacturer"), expectedText(decode.ofType(22)[0].value("Manufacturer")));
        QCOMPARE(tree.instancesOf(QStringLiteral("Win32_VoltageProbe")).size(), decode.ofType(26).size());
        const size_t cooling = tree.instancesOf(QStringLiteral("Win32_Fan")).size() + tree.instancesOf(QStringLiteral("Win32_HeatPipe")).size()
            + tree.instancesOf(QStringLiteral("Win32_Refrigeration")).size();
        QCOMPARE(cooling, decode.ofType(27).size());
    }

    void damagedTablesEndTheWalk()
    {
        const QByteArray entry("_SM3_\x00\x18\x03\x00\x00\x01\x00\x00\x00\x00\x00", 16);
        // A BIOS structure whose strings never end, then nothing.
        QByteArray table("\x00\x18\x00\x00\x01\x02\x00\xf0\x03\x04", 10);
        table += QByteArray(14, '\0').left(14);
        table += "Vendor";
        auto parsed = platform::linuxhw::parseSmbios(entry, table);
        QVERIFY(parsed.has_value());
        QCOMPARE(parsed->structures.size(), size_t(1));
        QCOMPARE(parsed->structures[0].string(4), QStringLiteral("Vendor"));
        // A string index beyond the strings reads as nothing, not as garbage.
        QCOMPARE(parsed->structures[0].string(5), QString());
        // A length below the header size stops the walk (HyperV pads its table with zeros).
        QCOMPARE(platform::linuxhw::parseSmbios(entry, QByteArray(64, '\0'))->structures.size(), size_t(0));
        QVERIFY(!platform::linuxhw::parseSmbios("junk", table).has_value());
    }

    void fieldsDmidecodeLeavesOut()
    {
        // A table of our own: slots whose segment or whole address is "none", a shared opening,
        // port types beyond the common list, and a battery whose chemistry is only named.
        auto structure = [](int type, int handle, const QByteArray &formatted, const QByteArray &strings) {
            QByteArray bytes;
            bytes += char(type);
            bytes += char(formatted.size() + 4);
            bytes += char(handle & 0xff);
            bytes += char(handle >> 8);
            // The strings, each ended by a zero, and one more zero; two zeros when there are none.
            return bytes + formatted + (strings.isEmpty() ? QByteArray(2, '\0') : strings + QByteArray(2, '\0'));
        };
        QByteArray table;
        // Type 9: designation, type, width, usage, length, number (2), characteristics 1 and 2,
        // segment (2), bus, device/function.
        table += structure(9, 1, QByteArray::fromHex("01a50d040400000c01ffff0408"), "SLOT1");
        table += structure(9, 2, QByteArray::fromHex("01a50d030400010400ffffffff"), "SLOT2");
        table += structure(8, 3, QByteArray::fromHex("01000200ff"), QByteArray("J1") + '\0' + "Other");
        table += structure(8, 4, QByteArray::fromHex("01000200a0"), QByteArray("J2") + '\0' + "Serial");
        // Type 22: location, manufacturer, date, serial, name, chemistry 02, capacity, voltage,
        // SBDS version, error, SBDS serial (2), SBDS date (2), SBDS chemistry.
        table += structure(22, 5, QByteArray::fromHex("0102030405020000000000ff0000000006"),
                           QByteArray("Rear") + '\0' + "Maker" + '\0' + "2020" + '\0' + "1" + '\0' + "Pack" + '\0' + "LiP");
        table += structure(127, 6, {}, {});
        FakeTree tree;
        tree.write(QStringLiteral("/sys/firmware/dmi/tables/smbios_entry_point"), QByteArray("_SM3_\x00\x18\x03\x04\x00\x01\x00", 12));
        tree.write(QStringLiteral("/sys/firmware/dmi/tables/DMI"), table);
        const auto openings = tree.instancesOf(QStringLiteral("Win32_SystemSlot"));
        QCOMPARE(openings.size(), size_t(2));
        QCOMPARE(openings[0].property(u"Shared"), platform::WmiValue::boolean(true));
        QCOMPARE(openings[0].property(u"SegmentGroupNumber").integerValue(), 0xffff);
        QCOMPARE(openings[0].property(u"BusNumber").integerValue(), 4);
        QCOMPARE(openings[0].property(u"DeviceNumber").integerValue(), 1);
        QCOMPARE(openings[1].property(u"Shared"), platform::WmiValue::boolean(false));
        QVERIFY(openings[1].property(u"BusNumber").isNull());
        const auto ports = tree.instancesOf(QStringLiteral("Win32_PortConnector"));
        QVERIFY(ports[0].property(u"PortType").isNull());
        QCOMPARE(ports[1].property(u"PortType").integerValue(), 32); // 8251 compatible
        QCOMPARE(tree.instancesOf(QStringLiteral("Win32_PortableBattery")).at(0).property(u"Chemistry").integerValue(), 8);
    }

    void unreadableTablesFallBackToPublicStrings()
    {
        FakeTree tree;
        tree.attribute(QStringLiteral("/sys/class/dmi/id/bios_vendor"), "LENOVO");
        tree.attribute(QStringLiteral("/sys/class/dmi/id/bios_version"), "N2IET92W (1.70 )");
        tree.attribute(QStringLiteral("/sys/class/dmi/id/bios_date"), "09/21/2020");
        tree.attribute(QStringLiteral("/sys/class/dmi/id/board_vendor"), "LENOVO");
        tree.attribute(QStringLiteral("/sys/class/dmi/id/board_name"), "20QDCTO1WW");
        tree.attribute(QStringLiteral("/sys/class/dmi/id/chassis_type"), "10");
        const auto bios = tree.instancesOf(QStringLiteral("Win32_BIOS"));
        QCOMPARE(bios.size(), size_t(1));
        QCOMPARE(bios[0].property(u"Caption").textValue(), QStringLiteral("N2IET92W (1.70 )"));
        QCOMPARE(bios[0].property(u"ReleaseDate").textValue(), QStringLiteral("20200921000000.000000+000"));
        // Without the table nothing says which version of it is there.
        QVERIFY(bios[0].property(u"SMBIOSMajorVersion").isNull());
        QVERIFY(bios[0].property(u"SerialNumber").isNull());
        QCOMPARE(tree.instancesOf(QStringLiteral("Win32_BaseBoard"))[0].property(u"Product").textValue(), QStringLiteral("20QDCTO1WW"));
        const auto enclosure = tree.instancesOf(QStringLiteral("Win32_SystemEnclosure"));
        QCOMPARE(enclosure[0].property(u"ChassisTypes").elements()[0].integerValue(), 10);
        QVERIFY(tree.instancesOf(QStringLiteral("Win32_PhysicalMemory")).empty());
    }
};

QTEST_GUILESS_MAIN(TestSmbios)
#include "test_smbios.moc"
