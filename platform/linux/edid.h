#pragma once
#include <QByteArray>
#include <QString>

#include <optional>

namespace platform::linuxhw {

// The identification part of a monitor's EDID base block.
struct Edid {
    QString manufacturerId; // "DEL"
    quint16 productCode = 0;
    quint32 serialNumber = 0;
    int week = 0;           // 0 when not given; 255 means year is a model year
    int year = 0;
    int version = 0, revision = 0;
    int widthCm = 0, heightCm = 0;
    QString name;           // display product name descriptor
    QString serialText;     // display product serial number descriptor
    QString alphanumeric;   // alphanumeric data string descriptor
    // The first detailed timing: the preferred mode.
    int preferredWidth = 0, preferredHeight = 0;
    double preferredRefresh = 0;

    // "DELA02B", the monitor part of its Windows hardware ID.
    QString hardwareId() const;
};

// Parses the 128-byte base block (extensions are ignored). Nothing for a block that is too
// short, lacks the fixed header or fails its checksum.
std::optional<Edid> parseEdid(const QByteArray &bytes);

} // namespace platform::linuxhw
