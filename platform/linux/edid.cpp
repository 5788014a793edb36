#include "platform/linux/edid.h"

namespace platform::linuxhw {

namespace {

quint8 byteAt(const QByteArray &bytes, int offset)
{
    return quint8(bytes[offset]);
}

QString descriptorText(const QByteArray &bytes, int offset)
{
    QByteArray text = bytes.mid(offset + 5, 13);
    const qsizetype end = text.indexOf('\n');
    if (end >= 0)
        text.truncate(end);
    QString result;
    for (char c : text)
        result += (quint8(c) >= 0x20 && quint8(c) < 0x7f) ? QChar::fromLatin1(c) : QChar(u'?');
    return result.trimmed();
}

} // namespace

QString Edid::hardwareId() const
{
    return manufacturerId + QStringLiteral("%1").arg(productCode, 4, 16, QLatin1Char('0')).toUpper();
}

std::optional<Edid> parseEdid(const QByteArray &bytes)
{
    static const QByteArray header("\x00\xff\xff\xff\xff\xff\xff\x00", 8);
    if (bytes.size() < 128 || !bytes.startsWith(header))
        return std::nullopt;
    quint8 sum = 0;
    for (int i = 0; i < 128; ++i)
        sum = quint8(sum + byteAt(bytes, i));
    if (sum != 0)
        return std::nullopt;

    Edid edid;
    const quint16 id = quint16(byteAt(bytes, 8) << 8 | byteAt(bytes, 9));
    for (int shift : {10, 5, 0}) {
        const int letter = (id >> shift) & 0x1f;
        edid.manufacturerId += (letter >= 1 && letter <= 26) ? QChar(u'A' + letter - 1) : QChar(u'?');
    }
    edid.productCode = quint16(byteAt(bytes, 10) | byteAt(bytes, 11) << 8);
    edid.serialNumber = quint32(byteAt(bytes, 12)) | quint32(byteAt(bytes, 13)) << 8 | quint32(byteAt(bytes, 14)) << 16
        | quint32(byteAt(bytes, 15)) << 24;
    edid.week = byteAt(bytes, 16);
    edid.year = byteAt(bytes, 17) + 1990;
    edid.version = byteAt(bytes, 18);
    edid.revision = byteAt(bytes, 19);
    edid.widthCm = byteAt(bytes, 21);
    edid.heightCm = byteAt(bytes, 22);

    for (int offset = 54; offset <= 108; offset += 18) {
        const int clock = byteAt(bytes, offset) | byteAt(bytes, offset + 1) << 8;
        if (clock != 0) {
            if (edid.preferredWidth == 0) {
                const int hActive = byteAt(bytes, offset + 2) | (byteAt(bytes, offset + 4) & 0xf0) << 4;
                const int hBlank = byteAt(bytes, offset + 3) | (byteAt(bytes, offset + 4) & 0x0f) << 8;
                const int vActive = byteAt(bytes, offset + 5) | (byteAt(bytes, offset + 7) & 0xf0) << 4;
                const int vBlank = byteAt(bytes, offset + 6) | (byteAt(bytes, offset + 7) & 0x0f) << 8;
                edid.preferredWidth = hActive;
                edid.preferredHeight = vActive;
                const double total = double(hActive + hBlank) * double(vActive + vBlank);
                edid.preferredRefresh = total > 0 ? clock * 10000.0 / total : 0;
            }
            continue;
        }
        switch (byteAt(bytes, offset + 3)) {
        case 0xfc: edid.name = descriptorText(bytes, offset); break;
        case 0xff: edid.serialText = descriptorText(bytes, offset); break;
        case 0xfe: edid.alphanumeric = descriptorText(bytes, offset); break;
        default: break;
        }
    }
    return edid;
}

} // namespace platform::linuxhw
