#pragma once
// The Jet 4 file format as the reader and the writer share it: page layout constants, the
// obfuscated header region, the password mask and RC4.
#include <QString>

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

namespace platform::jet::format {

inline constexpr std::size_t kPageSize = 4096;
inline constexpr qint64 kMaxDatabaseSize = qint64(1) << 31; // Jet's limit: 2 GB

enum PageType : uint8_t { HeaderPage = 0x00, DataPage = 0x01, TableDefinitionPage = 0x02, UsageMapPage = 0x05 };

enum Version : uint8_t { Jet3 = 0, Jet4 = 1 };
inline constexpr char kSignature[] = "Standard Jet DB";          // at offset 4, with its terminating zero
inline constexpr char kAceSignature[] = "Standard ACE DB";
inline constexpr std::size_t kVersionOffset = 0x14;
inline constexpr std::size_t kObfuscatedOffset = 0x18; // RC4 with kHeaderKey, 128 bytes in Jet 4
inline constexpr std::size_t kObfuscatedSize = 128;
inline constexpr std::array<uint8_t, 4> kHeaderKey{0xC7, 0xDA, 0x39, 0x6B};
inline constexpr std::size_t kCodePageOffset = 0x3C;
inline constexpr std::size_t kDatabaseKeyOffset = 0x3E; // non-zero: pages 1.. are RC4-encoded
inline constexpr std::size_t kPasswordOffset = 0x42;     // 20 UCS-2 units, masked by the creation date
inline constexpr std::size_t kPasswordUnits = 20;
inline constexpr std::size_t kSortOrderOffset = 0x6E;
inline constexpr std::size_t kCreationDateOffset = 0x72;

inline constexpr uint32_t kTableMagic = 1625;      // in table definitions and column descriptors
inline constexpr uint32_t kCatalogPage = 2;        // the definition of MSysObjects
inline constexpr uint16_t kDeletedRow = 0x8000;    // flags in a data page's row offsets
inline constexpr uint16_t kOverflowRow = 0x4000;
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr uint32_t kPagesPerMapPage = (kPageSize - 4) * 8;

enum ColumnType : uint8_t {
    Bool = 0x01, Byte = 0x02, Int = 0x03, Long = 0x04, Money = 0x05, Float = 0x06, Double = 0x07,
    DateTime = 0x08, Binary = 0x09, Text = 0x0A, Ole = 0x0B, Memo = 0x0C, Guid = 0x0F, Numeric = 0x10,
};
enum ColumnFlag : uint8_t { FixedLength = 0x01, CanBeNull = 0x02, AutoNumber = 0x04 };
enum ColumnExtFlag : uint8_t { UnicodeCompression = 0x01 };

// Catalogue (MSysObjects) facts.
inline constexpr int32_t kTableObject = 1;
inline constexpr uint32_t kSystemObjectFlags = 0x80000002;

inline uint16_t u16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t u24(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }
inline uint32_t u32(const uint8_t *p) { return u24(p) | uint32_t(p[3]) << 24; }
inline void put16(uint8_t *p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void put24(uint8_t *p, uint32_t v) { put16(p, uint16_t(v)); p[2] = uint8_t(v >> 16); }
inline void put32(uint8_t *p, uint32_t v) { put24(p, v); p[3] = uint8_t(v >> 24); }

// RC4 applied in place (encoding and decoding are the same operation).
void rc4(std::span<const uint8_t> key, std::span<uint8_t> data);
// Page p >= 1 of a file whose header holds a non-zero database key.
void decodePage(uint32_t databaseKey, uint32_t page, std::span<uint8_t> data);

// The 4-byte mask of the password field, derived from the creation date in the decoded header.
std::array<uint8_t, 4> passwordMask(const uint8_t *decodedHeader);
// The password stored in a decoded header; empty when the database has none.
QString storedPassword(const uint8_t *decodedHeader);

} // namespace platform::jet::format
