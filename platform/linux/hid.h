#pragma once
#include <QByteArray>

#include <vector>

namespace platform::linuxhw {

// What a HID collection is for: a usage page and a usage ("Generic Desktop", "Keyboard").
struct HidUsage {
    quint16 page = 0;
    quint16 usage = 0;
    bool operator==(const HidUsage &) const = default;
};

inline constexpr HidUsage hidKeyboard{0x01, 0x06}, hidMouse{0x01, 0x02}, hidTouchPad{0x0d, 0x05};

// The top-level collections of a HID report descriptor, in order: the device manager lists one
// entry per collection. The descriptor is outside input; a damaged one yields what could be
// read before the damage.
std::vector<HidUsage> hidTopLevelCollections(const QByteArray &descriptor);

} // namespace platform::linuxhw
