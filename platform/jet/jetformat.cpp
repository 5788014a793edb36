#include "jetformat.h"

#include <cmath>
#include <utility>

namespace platform::jet::format {

void rc4(std::span<const uint8_t> key, std::span<uint8_t> data)
{
    std::array<uint8_t, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = uint8_t(i);
    uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = uint8_t(j + s[i] + key[i % key.size()]);
        std::swap(s[i], s[j]);
    }
    uint8_t a = 0, b = 0;
    for (uint8_t &byte : data) {
        a = uint8_t(a + 1);
        b = uint8_t(b + s[a]);
        std::swap(s[a], s[b]);
        byte ^= s[uint8_t(s[a] + s[b])];
    }
}

void decodePage(uint32_t databaseKey, uint32_t page, std::span<uint8_t> data)
{
    std::array<uint8_t, 4> key;
    put32(key.data(), databaseKey ^ page);
    rc4(key, data);
}

std::array<uint8_t, 4> passwordMask(const uint8_t *decodedHeader)
{
    double date;
    std::memcpy(&date, decodedHeader + kCreationDateOffset, sizeof date);
    // Jet truncates the date to whole days; a date outside the int range gives no usable mask.
    const int32_t days = std::isfinite(date) && date > -2147483648.0 && date < 2147483648.0 ? int32_t(date) : 0;
    std::array<uint8_t, 4> mask;
    put32(mask.data(), uint32_t(days));
    return mask;
}

QString storedPassword(const uint8_t *decodedHeader)
{
    const auto mask = passwordMask(decodedHeader);
    QString password;
    for (std::size_t i = 0; i < kPasswordUnits; ++i) {
        const uint8_t *p = decodedHeader + kPasswordOffset + 2 * i;
        const char16_t unit = char16_t((p[0] ^ mask[(2 * i) % 4]) | (p[1] ^ mask[(2 * i + 1) % 4]) << 8);
        if (unit == 0)
            break;
        password.append(QChar(unit));
    }
    return password;
}

} // namespace platform::jet::format
