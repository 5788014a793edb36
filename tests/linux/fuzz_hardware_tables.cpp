// Firmware tables, monitor data, HID report descriptors and machine descriptions come from
// outside the program: their parsers must survive any bytes.
#include "platform/linux/edid.h"
#include "platform/linux/hid.h"
#include "platform/linux/smbios.h"
#include "platform/management/orderedjson.h"

#include <cstddef>
#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto edid = platform::linuxhw::parseEdid(bytes))
        (void)edid->hardwareId();
    static const QByteArray entry("_SM3_\x00\x18\x03\x04\x00\x01\x00\x00\x00\x00\x00", 16);
    for (const auto &table : {platform::linuxhw::parseSmbios(entry, bytes), platform::linuxhw::parseSmbios(bytes.left(32), bytes.mid(32))}) {
        if (!table)
            continue;
        for (const auto &structure : table->structures)
            for (int offset = 0; offset < structure.formatted.size() + 4; ++offset) {
                (void)structure.string(offset);
                (void)structure.qword(offset);
            }
    }
    (void)platform::linuxhw::hidTopLevelCollections(bytes);
    try {
        (void)platform::parseJson(bytes);
    } catch (const std::exception &) {
        // malformed: refused with a message, which is all that is asked
    }
    return 0;
}
