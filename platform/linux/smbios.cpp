// The firmware's SMBIOS tables (/sys/firmware/dmi/tables, readable by root), with
// /sys/class/dmi/id as the fallback for the strings everyone may read.
#include "platform/linux/smbios.h"
#include "platform/linux/sources.h"

#include <QDate>

namespace platform::linuxhw {

std::optional<qint64> SmbiosStructure::byte(int offset) const
{
    if (!has(offset))
        return std::nullopt;
    return quint8(formatted[offset]);
}

std::optional<qint64> SmbiosStructure::word(int offset) const
{
    if (!has(offset, 2))
        return std::nullopt;
    return quint8(formatted[offset]) | quint8(formatted[offset + 1]) << 8;
}

std::optional<qint64> SmbiosStructure::dword(int offset) const
{
    if (!has(offset, 4))
        return std::nullopt;
    return qint64(quint32(*word(offset)) | quint32(*word(offset + 2)) << 16);
}

std::optional<quint64> SmbiosStructure::qword(int offset) const
{
    if (!has(offset, 8))
        return std::nullopt;
    return quint64(*dword(offset)) | quint64(*dword(offset + 4)) << 32;
}

QString SmbiosStructure::string(int offset) const
{
    const auto index = byte(offset);
    if (!index || *index == 0 || size_t(*index) > strings.size())
        return {};
    return QString::fromLatin1(strings[size_t(*index - 1)]);
}

std::vector<const SmbiosStructure *> SmbiosTable::ofType(int type) const
{
    std::vector<const SmbiosStructure *> result;
    for (const SmbiosStructure &structure : structures)
        if (structure.type == type)
            result.push_back(&structure);
    return result;
}

std::optional<SmbiosTable> parseSmbios(const QByteArray &entryPoint, const QByteArray &table)
{
    SmbiosTable result;
    if (entryPoint.startsWith("_SM3_") && entryPoint.size() >= 10) {
        result.major = quint8(entryPoint[7]);
        result.minor = quint8(entryPoint[8]);
    } else if (entryPoint.startsWith("_SM_") && entryPoint.size() >= 8) {
        result.major = quint8(entryPoint[6]);
        result.minor = quint8(entryPoint[7]);
    } else if (entryPoint.startsWith("_DMI_") && entryPoint.size() >= 15) {
        result.major = quint8(entryPoint[14]) >> 4;
        result.minor = quint8(entryPoint[14]) & 0x0f;
    } else {
        return std::nullopt;
    }
    qsizetype offset = 0;
    while (offset + 4 <= table.size()) {
        const int type = quint8(table[offset]);
        const int length = quint8(table[offset + 1]);
        if (length < 4 || offset + length > table.size())
            break;
        SmbiosStructure structure;
        structure.type = quint8(type);
        structure.handle = quint16(quint8(table[offset + 2]) | quint8(table[offset + 3]) << 8);
        structure.formatted = table.mid(offset, length);
        // Strings follow the formatted area; the set ends with an empty string.
        qsizetype at = offset + length;
        const qsizetype end = table.indexOf(QByteArray("\0\0", 2), at);
        const qsizetype stringsEnd = end < 0 ? table.size() : end;
        if (stringsEnd > at) {
            for (const QByteArray &piece : table.mid(at, stringsEnd - at).split('\0'))
                if (!piece.isEmpty())
                    structure.strings.push_back(piece);
        }
        offset = end < 0 ? table.size() : end + 2;
        result.structures.push_back(std::move(structure));
        if (type == 127)
            break;
    }
    return result;
}

std::optional<SmbiosTable> readSmbios(const SysRoot &root)
{
    const QByteArray entry = root.readBytes(QStringLiteral("/sys/firmware/dmi/tables/smbios_entry_point"), 64);
    if (entry.isEmpty())
        return std::nullopt;
    return parseSmbios(entry, root.readBytes(QStringLiteral("/sys/firmware/dmi/tables/DMI"), 4 * 1024 * 1024));
}

qint64 smbiosAssociativity(qint64 ways)
{
    switch (ways) {
    case 1: return 3;
    case 2: return 4;
    case 4: return 5;
    case 8: return 7;
    case 16: return 8;
    case 12: return 9;
    case 24: return 10;
    case 32: return 11;
    case 48: return 12;
    case 64: return 13;
    case 20: return 14;
    default: return 2;
    }
}

namespace {

// A cache's size in KB from its 16-bit field (granularity bit 15: 64K units) or, when that
// reads 0xFFFF, from the 32-bit field of SMBIOS 3.1 (bit 31: 64K units).
std::optional<qint64> cacheSizeKb(const SmbiosStructure &cache, int offset, int extendedOffset)
{
    const auto value = cache.word(offset);
    if (!value)
        return std::nullopt;
    if (*value == 0xffff) {
        const auto extended = cache.dword(extendedOffset);
        if (!extended)
            return std::nullopt;
        return (*extended & 0x80000000) ? (*extended & 0x7fffffff) * 64 : *extended;
    }
    return (*value & 0x8000) ? (*value & 0x7fff) * 64 : *value;
}

// Values of 0x8000 in probe fields, 0xFFFF in sizes and similar mean "unknown".
std::optional<qint64> known(std::optional<qint64> value, qint64 unknown)
{
    return value && *value != unknown ? value : std::nullopt;
}

// "MM/DD/YYYY" (or "MM/DD/YY") → the management date form "20140418000000.000000+000".
QString managementDate(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('/'));
    if (parts.size() != 3)
        return {};
    int year = parts[2].toInt();
    if (parts[2].size() == 2)
        year += year < 80 ? 2000 : 1900;
    const QDate date(year, parts[0].toInt(), parts[1].toInt());
    if (!date.isValid())
        return {};
    return date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("000000.000000+000");
}

void common(Instance &instance, const QString &caption, const QString &className)
{
    instance.text(QStringLiteral("Caption"), caption);
    instance.text(QStringLiteral("Description"), caption);
    instance.text(QStringLiteral("Name"), caption);
    instance.text(QStringLiteral("CreationClassName"), className);
    instance.text(QStringLiteral("Status"), QStringLiteral("OK"));
}

// Physical elements are told apart by a numbered tag ("System Slot 0")...
Instance element(const QString &className, const QString &caption, int index)
{
    Instance instance(className);
    common(instance, caption, className);
    instance.text(QStringLiteral("Tag"), QStringLiteral("%1 %2").arg(caption).arg(index));
    return instance;
}

// ...logical devices by their DeviceID, and they belong to the computer.
Instance device(const QString &className, const QString &caption, const QString &deviceId, const QString &system)
{
    Instance instance(className);
    common(instance, caption, className);
    instance.number(QStringLiteral("Availability"), 3);
    ownedByComputer(instance, system);
    instance.text(QStringLiteral("DeviceID"), deviceId);
    return instance;
}

// One object per structure of a type, in table order, numbered from 0 among those kept
// (`build` returns nothing to leave a structure out). Nothing when the table is unreadable.
template <typename Build>
std::vector<WmiObject> perStructure(const SysRoot &root, int type, Build build)
{
    std::vector<WmiObject> result;
    const auto table = readSmbios(root);
    if (!table)
        return result;
    const QString system = computerName(root);
    for (const SmbiosStructure *structure : table->ofType(type))
        if (const std::optional<Instance> instance = build(*structure, int(result.size()), system))
            result.push_back(instance->object());
    return result;
}

QString dmiId(const SysRoot &root, const char *name)
{
    return root.readValue(QStringLiteral("/sys/class/dmi/id/") + QLatin1String(name));
}

// "LENOVO - 1170": the OEM ID and OEM revision of the firmware's root ACPI table.
QString acpiOemVersion(const SysRoot &root)
{
    for (const char *table : {"XSDT", "RSDT"}) {
        const QByteArray header = root.readBytes(QStringLiteral("/sys/firmware/acpi/tables/") + QLatin1String(table), 36);
        if (header.size() < 36)
            continue;
        const QString oem = QString::fromLatin1(header.mid(10, 6)).trimmed();
        const quint32 revision = quint32(quint8(header[24])) | quint32(quint8(header[25])) << 8
            | quint32(quint8(header[26])) << 16 | quint32(quint8(header[27])) << 24;
        return QStringLiteral("%1 - %2").arg(oem).arg(revision, 0, 16);
    }
    return {};
}

std::vector<WmiObject> biosFromTable(const SysRoot &root, const SmbiosTable &table)
{
    std::vector<WmiObject> result;
    const auto systems = table.ofType(1);
    const QString serial = systems.empty() ? QString() : systems.front()->string(7);
    QStringList languages;
    QString currentLanguage;
    for (const SmbiosStructure *language : table.ofType(13)) {
        for (const QByteArray &text : language->strings)
            languages << QString::fromLatin1(text);
        currentLanguage = language->string(0x15);
    }
    for (const SmbiosStructure *bios : table.ofType(0)) {
        const QString version = bios->string(5);
        Instance instance(QStringLiteral("Win32_BIOS"));
        common(instance, version, QStringLiteral("Win32_BIOS"));
        instance.set(QStringLiteral("CreationClassName"), WmiValue());
        instance.text(QStringLiteral("Manufacturer"), bios->string(4));
        instance.text(QStringLiteral("SMBIOSBIOSVersion"), version);
        instance.text(QStringLiteral("SoftwareElementID"), version);
        instance.number(QStringLiteral("SoftwareElementState"), 3);
        instance.number(QStringLiteral("TargetOperatingSystem"), 0);
        instance.text(QStringLiteral("ReleaseDate"), managementDate(bios->string(8)));
        instance.text(QStringLiteral("SerialNumber"), serial);
        instance.number(QStringLiteral("SMBIOSMajorVersion"), table.major);
        instance.number(QStringLiteral("SMBIOSMinorVersion"), table.minor);
        instance.flag(QStringLiteral("SMBIOSPresent"), true);
        instance.flag(QStringLiteral("PrimaryBIOS"), true);
        instance.number(QStringLiteral("SystemBiosMajorVersion"), known(bios->byte(0x14), 0xff));
        instance.number(QStringLiteral("SystemBiosMinorVersion"), known(bios->byte(0x15), 0xff));
        instance.number(QStringLiteral("EmbeddedControllerMajorVersion"), known(bios->byte(0x16), 0xff));
        instance.number(QStringLiteral("EmbeddedControllerMinorVersion"), known(bios->byte(0x17), 0xff));
        const QString oemVersion = acpiOemVersion(root);
        instance.text(QStringLiteral("Version"), oemVersion);
        QStringList versions;
        if (!oemVersion.isEmpty())
            versions << oemVersion;
        if (!version.isEmpty())
            versions << version;
        instance.texts(QStringLiteral("BIOSVersion"), versions);
        std::vector<qint64> characteristics;
        if (const auto bits = bios->qword(0x0a)) {
            for (int bit = 0; bit < 32; ++bit)
                if ((*bits >> bit) & 1)
                    characteristics.push_back(bit);
        }
        for (int extension = 0; extension < 2; ++extension)
            if (const auto bits = bios->byte(0x12 + extension))
                for (int bit = 0; bit < 8; ++bit)
                    if ((*bits >> bit) & 1)
                        characteristics.push_back(32 + extension * 8 + bit);
        instance.numbers(QStringLiteral("BiosCharacteristics"), characteristics);
        instance.texts(QStringLiteral("ListOfLanguages"), languages);
        instance.text(QStringLiteral("CurrentLanguage"), currentLanguage);
        if (!languages.isEmpty())
            instance.number(QStringLiteral("InstallableLanguages"), languages.size());
        result.push_back(instance.object());
    }
    return result;
}

} // namespace

std::vector<WmiObject> bioses(const SysRoot &root)
{
    if (const auto table = readSmbios(root))
        return biosFromTable(root, *table);
    const QString version = dmiId(root, "bios_version");
    const QString vendor = dmiId(root, "bios_vendor");
    if (version.isEmpty() && vendor.isEmpty())
        return {};
    Instance instance(QStringLiteral("Win32_BIOS"));
    common(instance, version, QStringLiteral("Win32_BIOS"));
    instance.set(QStringLiteral("CreationClassName"), WmiValue());
    instance.text(QStringLiteral("Manufacturer"), vendor);
    instance.text(QStringLiteral("SMBIOSBIOSVersion"), version);
    instance.text(QStringLiteral("SoftwareElementID"), version);
    instance.number(QStringLiteral("SoftwareElementState"), 3);
    instance.number(QStringLiteral("TargetOperatingSystem"), 0);
    instance.text(QStringLiteral("ReleaseDate"), managementDate(dmiId(root, "bios_date")));
    instance.flag(QStringLiteral("SMBIOSPresent"), true);
    instance.flag(QStringLiteral("PrimaryBIOS"), true);
    const QStringList release = dmiId(root, "bios_release").split(QLatin1Char('.'));
    if (release.size() == 2) {
        instance.number(QStringLiteral("SystemBiosMajorVersion"), release[0].toInt());
        instance.number(QStringLiteral("SystemBiosMinorVersion"), release[1].toInt());
    }
    instance.texts(QStringLiteral("BIOSVersion"), version.isEmpty() ? QStringList() : QStringList{version});
    return {instance.object()};
}

std::vector<WmiObject> baseBoards(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const auto table = readSmbios(root);
    if (!table) {
        const QString product = dmiId(root, "board_name");
        const QString vendor = dmiId(root, "board_vendor");
        if (product.isEmpty() && vendor.isEmpty())
            return {};
        Instance instance(QStringLiteral("Win32_BaseBoard"));
        common(instance, QStringLiteral("Base Board"), QStringLiteral("Win32_BaseBoard"));
        instance.text(QStringLiteral("Tag"), QStringLiteral("Base Board"));
        instance.text(QStringLiteral("Manufacturer"), vendor);
        instance.text(QStringLiteral("Product"), product);
        instance.text(QStringLiteral("Version"), dmiId(root, "board_version"));
        instance.text(QStringLiteral("SerialNumber"), dmiId(root, "board_serial"));
        instance.flag(QStringLiteral("PoweredOn"), true);
        return {instance.object()};
    }
    QStringList options;
    for (const SmbiosStructure *config : table->ofType(12))
        for (const QByteArray &text : config->strings)
            options << QString::fromLatin1(text);
    for (const SmbiosStructure *board : table->ofType(2)) {
        Instance instance(QStringLiteral("Win32_BaseBoard"));
        common(instance, QStringLiteral("Base Board"), QStringLiteral("Win32_BaseBoard"));
        instance.text(QStringLiteral("Tag"), QStringLiteral("Base Board"));
        instance.text(QStringLiteral("Manufacturer"), board->string(4));
        instance.text(QStringLiteral("Product"), board->string(5));
        instance.text(QStringLiteral("Version"), board->string(6));
        instance.text(QStringLiteral("SerialNumber"), board->string(7));
        if (const auto features = board->byte(9)) {
            instance.flag(QStringLiteral("HostingBoard"), (*features & 1) != 0);
            instance.flag(QStringLiteral("RequiresDaughterBoard"), (*features & 2) != 0);
            instance.flag(QStringLiteral("Removable"), (*features & 4) != 0);
            instance.flag(QStringLiteral("Replaceable"), (*features & 8) != 0);
            instance.flag(QStringLiteral("HotSwappable"), (*features & 16) != 0);
        }
        instance.flag(QStringLiteral("PoweredOn"), true);
        instance.texts(QStringLiteral("ConfigOptions"), options);
        result.push_back(instance.object());
    }
    return result;
}

std::vector<WmiObject> systemEnclosures(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const auto table = readSmbios(root);
    if (!table) {
        const auto type = root.readNumber(QStringLiteral("/sys/class/dmi/id/chassis_type"));
        const QString vendor = dmiId(root, "chassis_vendor");
        if (!type && vendor.isEmpty())
            return {};
        Instance instance = element(QStringLiteral("Win32_SystemEnclosure"), QStringLiteral("System Enclosure"), 0);
        instance.text(QStringLiteral("Manufacturer"), vendor);
        instance.text(QStringLiteral("Version"), dmiId(root, "chassis_version"));
        instance.text(QStringLiteral("SerialNumber"), dmiId(root, "chassis_serial"));
        instance.text(QStringLiteral("SMBIOSAssetTag"), dmiId(root, "chassis_asset_tag"));
        if (type)
            instance.numbers(QStringLiteral("ChassisTypes"), {*type & 0x7f});
        return {instance.object()};
    }
    for (const SmbiosStructure *chassis : table->ofType(3)) {
        Instance instance = element(QStringLiteral("Win32_SystemEnclosure"), QStringLiteral("System Enclosure"), int(result.size()));
        instance.text(QStringLiteral("Manufacturer"), chassis->string(4));
        if (const auto type = chassis->byte(5)) {
            instance.numbers(QStringLiteral("ChassisTypes"), {*type & 0x7f});
            instance.flag(QStringLiteral("LockPresent"), (*type & 0x80) != 0);
        }
        instance.text(QStringLiteral("Version"), chassis->string(6));
        instance.text(QStringLiteral("SerialNumber"), chassis->string(7));
        instance.text(QStringLiteral("SMBIOSAssetTag"), chassis->string(8));
        instance.number(QStringLiteral("SecurityStatus"), chassis->byte(0x0c));
        instance.number(QStringLiteral("NumberOfPowerCords"), known(chassis->byte(0x12), 0));
        if (const auto count = chassis->byte(0x13)) {
            const auto recordLength = chassis->byte(0x14).value_or(0);
            instance.text(QStringLiteral("SKU"), chassis->string(0x15 + int(*count * recordLength)));
        }
        instance.flag(QStringLiteral("PoweredOn"), true);
        result.push_back(instance.object());
    }
    return result;
}

std::vector<SmbiosProcessor> smbiosProcessors(const SysRoot &root)
{
    std::vector<SmbiosProcessor> result;
    const auto table = readSmbios(root);
    if (!table)
        return result;
    for (const SmbiosStructure *socket : table->ofType(4)) {
        // Empty sockets (status bit 6 clear) hold no processor.
        if (const auto status = socket->byte(0x18); status && (*status & 0x40) == 0)
            continue;
        SmbiosProcessor processor;
        processor.socket = socket->string(4);
        auto family = socket->byte(6);
        if (family == 0xfe)
            family = socket->word(0x28);
        processor.family = family;
        processor.externalClock = known(socket->word(0x12), 0);
        processor.maxSpeed = known(socket->word(0x14), 0);
        processor.upgrade = socket->byte(0x19);
        // Bit 7: the voltage in tenths of a volt; otherwise the legacy bits of supported voltages.
        if (const auto voltage = socket->byte(0x11); voltage && (*voltage & 0x80)) {
            processor.voltage = *voltage & 0x7f;
        } else if (voltage && (*voltage & 7)) {
            processor.voltageCaps = *voltage & 7;
            static const qint64 legacy[] = {0, 50, 33, 0, 29};
            if (const qint64 bits = *voltage & 7; bits == 1 || bits == 2 || bits == 4)
                processor.voltage = legacy[bits];
        }
        // The L2 and L3 caches the socket names: their installed sizes are the processor's.
        auto cacheOf = [&](int offset) -> std::optional<qint64> {
            const auto handle = socket->word(offset);
            for (const SmbiosStructure *cache : table->ofType(7))
                if (handle && *handle != 0xffff && cache->handle == *handle)
                    return cacheSizeKb(*cache, 9, 0x17);
            return std::nullopt;
        };
        processor.l2CacheKb = cacheOf(0x1c);
        processor.l3CacheKb = cacheOf(0x1e);
        processor.serial = socket->string(0x20);
        processor.assetTag = socket->string(0x21);
        processor.partNumber = socket->string(0x22);
        if (const auto id = socket->qword(8); id && *id != 0)
            processor.processorId = QStringLiteral("%1%2").arg(*id >> 32, 8, 16, QLatin1Char('0')).arg(*id & 0xffffffffULL, 8, 16, QLatin1Char('0')).toUpper();
        result.push_back(processor);
    }
    return result;
}

std::vector<WmiObject> sysfsCaches(const SysRoot &root);

std::vector<WmiObject> cacheMemories(const SysRoot &root)
{
    std::vector<WmiObject> result = perStructure(root, 7, [](const SmbiosStructure &cache, int index, const QString &system) {
        const qint64 configuration = cache.word(5).value_or(0);
        Instance instance = device(QStringLiteral("Win32_CacheMemory"), QStringLiteral("Cache Memory"),
                                   QStringLiteral("Cache Memory %1").arg(index), system);
        instance.text(QStringLiteral("Purpose"), cache.string(4));
        instance.number(QStringLiteral("Level"), (configuration & 7) + 3);
        instance.number(QStringLiteral("Location"), (configuration >> 5) & 3);
        static const qint64 writePolicies[] = {4, 3, 5, 2};
        instance.number(QStringLiteral("WritePolicy"), writePolicies[(configuration >> 8) & 3]);
        const auto installed = cacheSizeKb(cache, 9, 0x17);
        instance.number(QStringLiteral("MaxCacheSize"), cacheSizeKb(cache, 7, 0x13));
        instance.number(QStringLiteral("InstalledSize"), installed);
        instance.text(QStringLiteral("BlockSize"), QStringLiteral("1024"));
        instance.text(QStringLiteral("NumberOfBlocks"), installed ? QString::number(*installed) : QString());
        instance.number(QStringLiteral("CacheSpeed"), known(cache.byte(0x0f), 0));
        instance.number(QStringLiteral("ErrorCorrectType"), cache.byte(0x10));
        instance.number(QStringLiteral("CacheType"), cache.byte(0x11));
        instance.number(QStringLiteral("Associativity"), cache.byte(0x12));
        if ((configuration & 0x80) == 0)
            instance.text(QStringLiteral("Status"), QStringLiteral("Unknown"));
        return instance;
    });
    // Without cache structures (or without the table) the kernel's cache folders answer.
    return result.empty() ? sysfsCaches(root) : result;
}

namespace {

std::vector<WmiObject> memoryRanges(const SysRoot &root, int type, const QString &className, const QString &caption)
{
    // Type 19 keeps its extended addresses at 0x0F, type 20 at 0x13.
    const int extended = type == 19 ? 0x0f : 0x13;
    return perStructure(root, type, [&](const SmbiosStructure &range, int index, const QString &system) {
        qint64 start = range.dword(4).value_or(0);
        qint64 end = range.dword(8).value_or(0);
        QString startText = QString::number(start);
        QString endText = QString::number(end);
        if (quint32(start) == 0xffffffffu) {
            const auto startBytes = range.qword(extended);
            const auto endBytes = range.qword(extended + 8);
            startText = startBytes ? QString::number(*startBytes / 1024) : QString();
            endText = endBytes ? QString::number(*endBytes / 1024) : QString();
        }
        Instance instance = device(className, caption, QStringLiteral("%1 %2").arg(caption).arg(index), system);
        instance.text(QStringLiteral("StartingAddress"), startText);
        instance.text(QStringLiteral("EndingAddress"), endText);
        return instance;
    });
}

qint64 formFactor(qint64 smbios)
{
    switch (smbios) {
    case 0x01: return 1;
    case 0x03: return 7;
    case 0x04: return 2;
    case 0x06: return 3;
    case 0x07: return 4;
    case 0x08: return 6;
    case 0x09: return 8;
    case 0x0a: return 9;
    case 0x0c: return 11;
    case 0x0d: return 12;
    case 0x0e: return 13;
    default: return 0;
    }
}

qint64 legacyMemoryType(qint64 smbios)
{
    switch (smbios) {
    case 0x12: return 20;
    case 0x13: return 21;
    case 0x14: return 22;
    case 0x18: return 24;
    default: return 0;
    }
}

} // namespace

std::vector<WmiObject> memoryArrays(const SysRoot &root)
{
    return memoryRanges(root, 19, QStringLiteral("Win32_MemoryArray"), QStringLiteral("Memory Array"));
}

std::vector<WmiObject> memoryDevices(const SysRoot &root)
{
    return memoryRanges(root, 20, QStringLiteral("Win32_MemoryDevice"), QStringLiteral("Memory Device"));
}

std::vector<WmiObject> smbiosMemories(const SysRoot &root)
{
    std::vector<WmiObject> result = memoryArrays(root);
    for (WmiObject &device : memoryDevices(root))
        result.push_back(std::move(device));
    return result;
}

std::vector<WmiObject> physicalMemoryArrays(const SysRoot &root)
{
    return perStructure(root, 16, [](const SmbiosStructure &array, int index, const QString &) {
        Instance instance = element(QStringLiteral("Win32_PhysicalMemoryArray"), QStringLiteral("Physical Memory Array"), index);
        instance.number(QStringLiteral("Location"), array.byte(4));
        instance.number(QStringLiteral("Use"), array.byte(5));
        instance.number(QStringLiteral("MemoryErrorCorrection"), array.byte(6));
        const auto capacity = array.dword(7);
        if (capacity && *capacity == 0x80000000LL) {
            const auto bytes = array.qword(0x0f);
            instance.text(QStringLiteral("MaxCapacityEx"), bytes ? QString::number(*bytes / 1024) : QString());
        } else if (capacity) {
            instance.number(QStringLiteral("MaxCapacity"), *capacity);
            instance.text(QStringLiteral("MaxCapacityEx"), QString::number(*capacity));
        }
        instance.number(QStringLiteral("MemoryDevices"), array.word(0x0d));
        return instance;
    });
}

std::vector<WmiObject> physicalMemories(const SysRoot &root)
{
    return perStructure(root, 17, [](const SmbiosStructure &module, int index, const QString &) -> std::optional<Instance> {
        const auto size = module.word(0x0c);
        if (!size || *size == 0)
            return std::nullopt; // empty slot
        std::optional<qint64> bytes;
        if (*size == 0x7fff)
            bytes = module.dword(0x1c) ? std::optional<qint64>((*module.dword(0x1c) & 0x7fffffff) * 1024 * 1024) : std::nullopt;
        else if (*size != 0xffff)
            bytes = (*size & 0x8000) ? (*size & 0x7fff) * 1024 : *size * 1024 * 1024;
        Instance instance = element(QStringLiteral("Win32_PhysicalMemory"), QStringLiteral("Physical Memory"), index);
        instance.set(QStringLiteral("Status"), WmiValue());
        instance.text(QStringLiteral("Capacity"), bytes ? QString::number(*bytes) : QString());
        instance.text(QStringLiteral("DeviceLocator"), module.string(0x10));
        instance.text(QStringLiteral("BankLabel"), module.string(0x11));
        instance.number(QStringLiteral("TotalWidth"), known(module.word(0x08), 0xffff));
        instance.number(QStringLiteral("DataWidth"), known(module.word(0x0a), 0xffff));
        if (const auto factor = module.byte(0x0e))
            instance.number(QStringLiteral("FormFactor"), formFactor(*factor));
        if (const auto type = module.byte(0x12)) {
            instance.number(QStringLiteral("SMBIOSMemoryType"), *type);
            instance.number(QStringLiteral("MemoryType"), legacyMemoryType(*type));
        }
        instance.number(QStringLiteral("TypeDetail"), module.word(0x13));
        auto speed = known(module.word(0x15), 0);
        if (speed == 0xffff)
            speed = module.dword(0x54);
        instance.number(QStringLiteral("Speed"), speed);
        instance.text(QStringLiteral("Manufacturer"), module.string(0x17));
        instance.text(QStringLiteral("SerialNumber"), module.string(0x18));
        instance.text(QStringLiteral("PartNumber"), module.string(0x1a));
        if (const auto attributes = module.byte(0x1b))
            instance.number(QStringLiteral("Attributes"), *attributes & 0x0f);
        auto configured = known(module.word(0x20), 0);
        if (configured == 0xffff)
            configured = module.dword(0x58);
        instance.number(QStringLiteral("ConfiguredClockSpeed"), configured);
        instance.number(QStringLiteral("MinVoltage"), known(module.word(0x22), 0));
        instance.number(QStringLiteral("MaxVoltage"), known(module.word(0x24), 0));
        instance.number(QStringLiteral("ConfiguredVoltage"), known(module.word(0x26), 0));
        return instance;
    });
}

std::vector<WmiObject> systemSlots(const SysRoot &root)
{
    return perStructure(root, 9, [](const SmbiosStructure &slot, int index, const QString &) {
        Instance instance = element(QStringLiteral("Win32_SystemSlot"), QStringLiteral("System Slot"), index);
        instance.text(QStringLiteral("SlotDesignation"), slot.string(4));
        if (const auto width = slot.byte(6); width && *width >= 3 && *width <= 7)
            instance.number(QStringLiteral("MaxDataWidth"), *width - 3);
        instance.number(QStringLiteral("CurrentUsage"), slot.byte(7));
        instance.number(QStringLiteral("Number"), slot.word(9));
        // Characteristics 1, bit 3: the opening is shared with another slot.
        if (const auto flags = slot.byte(0x0b))
            instance.flag(QStringLiteral("Shared"), (*flags & 0x08) != 0);
        if (const auto flags = slot.byte(0x0c)) {
            instance.flag(QStringLiteral("PMESignal"), (*flags & 1) != 0);
            instance.flag(QStringLiteral("SupportsHotPlug"), (*flags & 2) != 0);
        }
        // The bus address is missing only when all three fields say so (0xFFFF, 0xFF, 0xFF).
        const auto segment = slot.word(0x0d);
        const auto bus = slot.byte(0x0f);
        const auto deviceFunction = slot.byte(0x10);
        if (segment && bus && deviceFunction && !(*segment == 0xffff && *bus == 0xff && *deviceFunction == 0xff)) {
            instance.number(QStringLiteral("SegmentGroupNumber"), *segment);
            instance.number(QStringLiteral("BusNumber"), *bus);
            instance.number(QStringLiteral("DeviceNumber"), *deviceFunction >> 3);
            instance.number(QStringLiteral("FunctionNumber"), *deviceFunction & 7);
        }
        return instance;
    });
}

namespace {

// Management's port types are SMBIOS's up to Network Port (0x1F), then the two 8251 kinds;
// the newer ones (SATA, SAS, Thunderbolt, ...) and "Other" (0xFF) have no code there.
std::optional<qint64> portType(std::optional<qint64> smbios)
{
    if (smbios && *smbios <= 0x1f)
        return smbios;
    if (smbios == 0xa0 || smbios == 0xa1)
        return *smbios - 0xa0 + 32;
    return std::nullopt;
}

// A portable battery's chemistry: the structure's code, or the Smart Battery Data
// Specification's name when the code says to look there (0x02, unknown).
std::optional<qint64> batteryChemistry(const SmbiosStructure &battery)
{
    const auto code = battery.byte(9);
    if (code != 0x02)
        return code;
    static const std::pair<const char *, qint64> names[] = {{"PbAc", 3}, {"NiCd", 4}, {"NiMH", 5}, {"LION", 6}, {"ZnAr", 7},
                                                            {"LiP", 8}, {"NiZn", 1}, {"RAM", 1}};
    const QString name = battery.string(0x14).trimmed();
    for (const auto &[sbds, chemistry] : names)
        if (name.compare(QLatin1String(sbds), Qt::CaseInsensitive) == 0)
            return chemistry;
    return code;
}

} // namespace

std::vector<WmiObject> portConnectors(const SysRoot &root)
{
    return perStructure(root, 8, [](const SmbiosStructure &port, int index, const QString &) {
        Instance instance = element(QStringLiteral("Win32_PortConnector"), QStringLiteral("Port Connector"), index);
        instance.set(QStringLiteral("Status"), WmiValue());
        instance.text(QStringLiteral("InternalReferenceDesignator"), port.string(4));
        instance.text(QStringLiteral("ExternalReferenceDesignator"), port.string(6));
        instance.number(QStringLiteral("PortType"), portType(port.byte(8)));
        return instance;
    });
}

std::vector<WmiObject> onBoardDevices(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const auto table = readSmbios(root);
    if (!table)
        return result;
    // Numbered from 1, across the old (type 10) and the new (type 41) structures.
    auto add = [&](qint64 typeByte, const QString &description) {
        Instance instance = element(QStringLiteral("Win32_OnBoardDevice"), QStringLiteral("On Board Device"), int(result.size()) + 1);
        instance.set(QStringLiteral("Status"), WmiValue());
        instance.text(QStringLiteral("Description"), description);
        instance.number(QStringLiteral("DeviceType"), typeByte & 0x7f);
        instance.flag(QStringLiteral("Enabled"), (typeByte & 0x80) != 0);
        result.push_back(instance.object());
    };
    for (const SmbiosStructure &structure : table->structures) {
        if (structure.type == 10) {
            for (int offset = 4; structure.has(offset, 2); offset += 2)
                add(*structure.byte(offset), structure.string(offset + 1));
        } else if (structure.type == 41) {
            if (const auto type = structure.byte(5))
                add(*type, structure.string(4));
        }
    }
    return result;
}

std::vector<WmiObject> portableBatteries(const SysRoot &root)
{
    return perStructure(root, 22, [](const SmbiosStructure &battery, int index, const QString &system) {
        Instance instance = device(QStringLiteral("Win32_PortableBattery"), QStringLiteral("Portable Battery"),
                                   QStringLiteral("Portable Battery %1").arg(index), system);
        instance.set(QStringLiteral("Availability"), WmiValue());
        const QString name = battery.string(8);
        instance.text(QStringLiteral("Name"), name.isEmpty() ? QStringLiteral("Portable Battery") : name);
        instance.text(QStringLiteral("Location"), battery.string(4));
        instance.text(QStringLiteral("Manufacturer"), battery.string(5));
        QString date = battery.string(6);
        if (date.isEmpty()) {
            // The smart-battery date: bits 15-9 year since 1980, 8-5 month, 4-0 day.
            if (const auto packed = battery.word(0x12); packed && *packed != 0)
                date = QDate(1980 + int(*packed >> 9), int((*packed >> 5) & 0xf), int(*packed & 0x1f)).toString(QStringLiteral("yyyy-MM-dd"));
        }
        instance.text(QStringLiteral("ManufactureDate"), date);
        instance.number(QStringLiteral("Chemistry"), batteryChemistry(battery));
        const qint64 multiplier = std::max<qint64>(1, battery.byte(0x15).value_or(1));
        if (const auto capacity = known(battery.word(0x0a), 0))
            instance.number(QStringLiteral("DesignCapacity"), *capacity * multiplier);
        if (const auto voltage = known(battery.word(0x0c), 0))
            instance.text(QStringLiteral("DesignVoltage"), QString::number(*voltage));
        instance.text(QStringLiteral("SmartBatteryVersion"), battery.string(0x0e));
        instance.number(QStringLiteral("MaxBatteryError"), known(battery.byte(0x0f), 0xff));
        instance.number(QStringLiteral("CapacityMultiplier"), battery.byte(0x15));
        return instance;
    });
}

namespace {

QString probeStatus(qint64 locationAndStatus)
{
    switch (locationAndStatus >> 5) {
    case 3: return QStringLiteral("OK");
    case 4: return QStringLiteral("Degraded");
    case 5: return QStringLiteral("Error");
    case 6: return QStringLiteral("NonRecover");
    default: return QStringLiteral("Unknown");
    }
}

std::vector<WmiObject> probes(const SysRoot &root, int type, const QString &className, const QString &kind)
{
    return perStructure(root, type, [&](const SmbiosStructure &probe, int index, const QString &system) {
        Instance instance = device(className, QStringLiteral("Numeric Sensor"), QStringLiteral("%1 Probe %2").arg(kind).arg(index), system);
        instance.text(QStringLiteral("Description"), probe.string(4));
        if (const auto status = probe.byte(5))
            instance.text(QStringLiteral("Status"), probeStatus(*status));
        // Signed 16-bit values; 0x8000 means unknown.
        auto value = [&](int offset) -> std::optional<qint64> {
            const auto raw = known(probe.word(offset), 0x8000);
            return raw ? std::optional<qint64>(qint16(quint16(*raw))) : std::nullopt;
        };
        instance.number(QStringLiteral("MaxReadable"), value(6));
        instance.number(QStringLiteral("MinReadable"), value(8));
        instance.number(QStringLiteral("Resolution"), known(probe.word(0x0a), 0x8000));
        instance.number(QStringLiteral("Tolerance"), value(0x0c));
        instance.number(QStringLiteral("Accuracy"), value(0x0e));
        instance.number(QStringLiteral("NominalReading"), value(0x14));
        return instance;
    });
}

} // namespace

std::vector<WmiObject> smbiosVoltageProbes(const SysRoot &root)
{
    return probes(root, 26, QStringLiteral("Win32_VoltageProbe"), QStringLiteral("Voltage"));
}

std::vector<WmiObject> smbiosTemperatureProbes(const SysRoot &root)
{
    return probes(root, 28, QStringLiteral("Win32_TemperatureProbe"), QStringLiteral("Temperature"));
}

std::vector<WmiObject> smbiosCurrentProbes(const SysRoot &root)
{
    return probes(root, 29, QStringLiteral("Win32_CurrentProbe"), QStringLiteral("Current"));
}

// Cooling devices (type 27) of one kind: fans and blowers, heat pipes (8) or refrigeration (9).
std::vector<WmiObject> smbiosCoolingDevices(const SysRoot &root, const QString &className)
{
    return perStructure(root, 27, [&](const SmbiosStructure &cooling, int index, const QString &system) -> std::optional<Instance> {
        const qint64 typeAndStatus = cooling.byte(6).value_or(0);
        const qint64 type = typeAndStatus & 0x1f;
        const QString kind = type == 8 ? QStringLiteral("Win32_HeatPipe")
            : type == 9                ? QStringLiteral("Win32_Refrigeration")
                                       : QStringLiteral("Win32_Fan");
        if (kind != className)
            return std::nullopt;
        Instance instance = device(className, QStringLiteral("Cooling Device"), QStringLiteral("Cooling Device %1").arg(index), system);
        const QString description = cooling.string(0x0e);
        instance.text(QStringLiteral("Description"), description.isEmpty() ? QStringLiteral("Cooling Device") : description);
        instance.text(QStringLiteral("Status"), probeStatus(typeAndStatus));
        instance.flag(QStringLiteral("ActiveCooling"), type != 8 && type != 0x11);
        if (className == QLatin1String("Win32_Fan"))
            if (const auto speed = known(cooling.word(0x0c), 0x8000))
                instance.text(QStringLiteral("DesiredSpeed"), QString::number(*speed));
        return instance;
    });
}

} // namespace platform::linuxhw
