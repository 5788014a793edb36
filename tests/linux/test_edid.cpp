// Monitor EDID blocks of real monitors against edid-decode and libdisplay-info's answers.
#include "platform/linux/edid.h"
#include "platform/linux/ids.h"
#include "tests/linux/faketree.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

using platform::linuxhw::parseEdid;

namespace {
QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString field(const QString &text, const QString &pattern)
{
    const auto match = QRegularExpression(pattern, QRegularExpression::MultilineOption).match(text);
    return match.hasMatch() ? match.captured(1) : QString();
}
} // namespace

class TestEdid : public QObject {
    Q_OBJECT

private slots:
    void blocksAgreeWithDecoders_data()
    {
        QTest::addColumn<QString>("monitor");
        for (const char *monitor : {"acer-p1276", "dell-2408wfp-dp", "hp-5dq99aa-hdmi", "panasonic-mei96a2-dp"})
            QTest::newRow(monitor) << QString::fromLatin1(monitor);
    }

    void blocksAgreeWithDecoders()
    {
        SKIP_WITHOUT_SHARED_DATA();
        QFETCH(QString, monitor);
        const QString base = testsupport::sharedPath(QStringLiteral("inventory-data/edid/") + monitor);
        const auto edid = parseEdid(readFile(base + QStringLiteral(".edid")));
        QVERIFY(edid.has_value());
        const QString decoded = QString::fromUtf8(readFile(base + QStringLiteral(".edid-decode.txt")));
        const QString print = QString::fromUtf8(readFile(base + QStringLiteral(".print")));
        QVERIFY(!decoded.isEmpty() && !print.isEmpty());

        QCOMPARE(edid->manufacturerId, field(decoded, QStringLiteral("^\\s+Manufacturer: (\\w+)$")));
        QCOMPARE(QString::number(edid->productCode), field(decoded, QStringLiteral("^\\s+Model: (\\d+)$")));
        const QString serial = field(decoded, QStringLiteral("^\\s+Serial Number: (\\d+)$"));
        QCOMPARE(edid->serialNumber, serial.isEmpty() ? 0u : serial.toUInt());
        QCOMPARE(QStringLiteral("%1.%2").arg(edid->version).arg(edid->revision),
                 field(decoded, QStringLiteral("EDID Structure Version & Revision: (\\d\\.\\d)")));
        const QString week = field(decoded, QStringLiteral("Made in: week (\\d+) of"));
        if (!week.isEmpty()) {
            QCOMPARE(QString::number(edid->week), week);
            QCOMPARE(QString::number(edid->year), field(decoded, QStringLiteral("Made in: week \\d+ of (\\d+)")));
        } else {
            QCOMPARE(QString::number(edid->year), field(decoded, QStringLiteral("Model year: (\\d+)")));
        }
        QCOMPARE(edid->name, field(decoded, QStringLiteral("Display Product Name: '(.*)'")));
        QCOMPARE(edid->serialText, field(decoded, QStringLiteral("Display Product Serial Number: '(.*)'")));
        QCOMPARE(edid->alphanumeric, field(decoded, QStringLiteral("Alphanumeric Data String: '(.*)'")));
        const QString mode = field(decoded, QStringLiteral("DTD 1:\\s+(\\d+x\\d+)"));
        QCOMPARE(QStringLiteral("%1x%2").arg(edid->preferredWidth).arg(edid->preferredHeight), mode);
        const double refresh = field(decoded, QStringLiteral("DTD 1:\\s+\\d+x\\d+\\s+([\\d.]+) Hz")).toDouble();
        QVERIFY(qAbs(edid->preferredRefresh - refresh) < 0.001);

        // libdisplay-info's model is the product name, or the product code when there is none.
        const QString model = field(print, QStringLiteral("^model: (.*)$"));
        if (edid->name.isEmpty())
            QCOMPARE(QStringLiteral("0x%1").arg(edid->productCode, 4, 16, QLatin1Char('0')).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x")), model);
        else
            QCOMPARE(edid->name, model);
        const QString serialText = field(print, QStringLiteral("^serial: (.*)$"));
        QCOMPARE(edid->serialText.isEmpty() ? QStringLiteral("{null}") : edid->serialText, serialText);

        // The make comes from the PnP vendor list.
        const QString pnpIds = QStringLiteral("/usr/share/hwdata/pnp.ids");
        if (QFileInfo::exists(pnpIds))
            QCOMPARE(platform::linuxhw::ids::pnpVendor(pnpIds, edid->manufacturerId), field(print, QStringLiteral("^make: (.*)$")));
    }

    void damagedBlocksAreRejected()
    {
        SKIP_WITHOUT_SHARED_DATA();
        QByteArray block = readFile(testsupport::sharedPath(QStringLiteral("inventory-data/edid/dell-2408wfp-dp.edid")));
        QVERIFY(parseEdid(block).has_value());
        QCOMPARE(parseEdid(block)->hardwareId(), QStringLiteral("DELA02B"));
        QVERIFY(!parseEdid(block.left(127)).has_value());
        block[20] = char(block[20] ^ 1); // checksum no longer adds up
        QVERIFY(!parseEdid(block).has_value());
        QVERIFY(!parseEdid(QByteArray(128, '\0')).has_value());
    }
};

QTEST_GUILESS_MAIN(TestEdid)
#include "test_edid.moc"
