#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace platform::linuxhw {

class SysRoot;

// One structure of the firmware's SMBIOS table: the formatted area and its strings.
struct SmbiosStructure {
    quint8 type = 0;
    quint16 handle = 0;
    QByteArray formatted; // from the header on
    std::vector<QByteArray> strings;

    bool has(int offset, int size = 1) const { return offset + size <= formatted.size(); }
    std::optional<qint64> byte(int offset) const;
    std::optional<qint64> word(int offset) const;
    std::optional<qint64> dword(int offset) const;
    std::optional<quint64> qword(int offset) const;
    // The string a formatted byte refers to, exactly as stored (trailing blanks kept);
    // empty for index 0 or an index beyond the strings.
    QString string(int offset) const;
};

struct SmbiosTable {
    int major = 0, minor = 0;
    std::vector<SmbiosStructure> structures;

    std::vector<const SmbiosStructure *> ofType(int type) const;
};

// Parses the kernel's two files: the entry point (SMBIOS 2.x "_SM_" or 3.x "_SM3_") and the
// table. Walking stops at the end-of-table structure, at a structure too short to be valid,
// or at the end of the data. Nothing when the entry point is not recognised.
std::optional<SmbiosTable> parseSmbios(const QByteArray &entryPoint, const QByteArray &table);

// The table under the root (/sys/firmware/dmi/tables), or nothing when it cannot be read
// (it is readable by root only).
std::optional<SmbiosTable> readSmbios(const SysRoot &root);

// Processor sockets (type 4), for Win32_Processor.
struct SmbiosProcessor {
    QString socket;
    std::optional<qint64> family, externalClock, maxSpeed, upgrade;
    std::optional<qint64> voltage;      // tenths of a volt
    std::optional<qint64> voltageCaps;  // 1 5 V, 2 3.3 V, 4 2.9 V
    std::optional<qint64> l2CacheKb, l3CacheKb; // the caches the socket names (type 7)
    QString serial, assetTag, partNumber, processorId;
};
std::vector<SmbiosProcessor> smbiosProcessors(const SysRoot &root);

// A cache's associativity code (as in SMBIOS and management) from its number of ways.
qint64 smbiosAssociativity(qint64 ways);

} // namespace platform::linuxhw
