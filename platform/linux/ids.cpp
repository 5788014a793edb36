// pci.ids / usb.ids / pnp.ids lookups. The files are kept in memory once read; a vendor's
// block is found by searching for its line and parsed only when one of its IDs is asked for.
#include "platform/linux/ids.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>

#include <cstring>
#include <memory>

namespace platform::linuxhw::ids {

namespace {

// Names as the files write them, without their stray blanks: "Ultrabase (42X4963 )" and
// "GXT  64MB" read "Ultrabase (42X4963)" and "GXT 64MB".
QString cleanName(const char *text, qsizetype length)
{
    QString name = QString::fromUtf8(text, length).simplified();
    name.replace(QLatin1String("( "), QLatin1String("("));
    name.replace(QLatin1String(" )"), QLatin1String(")"));
    return name;
}

class IdsFile {
public:
    explicit IdsFile(const QString &path)
    {
        QFile file(path);
        // A leading line break lets the first entry be found like every other.
        if (file.open(QIODevice::ReadOnly))
            data_ = '\n' + file.read(32 * 1024 * 1024);
    }

    // The line of a top-level entry ("8086  Intel Corporation"); the offset after its line
    // end goes to *next. Only the part before the first class section is searched.
    QString topLevel(const QByteArray &key, qsizetype *next) const
    {
        const QByteArray needle = '\n' + key;
        qsizetype at = 0;
        while ((at = data_.indexOf(needle, at)) >= 0) {
            const qsizetype start = at + 1;
            const qsizetype afterKey = start + key.size();
            if (afterKey < data_.size() && (data_[afterKey] == ' ' || data_[afterKey] == '\t')) {
                qsizetype end = data_.indexOf('\n', start);
                if (end < 0)
                    end = data_.size();
                *next = end + 1;
                return cleanName(data_.constData() + afterKey, end - afterKey);
            }
            at = start;
        }
        return {};
    }

    // The second-level entries ("\t1234  Device") of the entry that ends at offset, parsed
    // in one pass without copying the lines.
    QHash<QByteArray, QString> children(qsizetype offset) const
    {
        QHash<QByteArray, QString> result;
        const char *data = data_.constData();
        const qsizetype size = data_.size();
        while (offset < size) {
            const char *lineStart = data + offset;
            const char *newline = static_cast<const char *>(std::memchr(lineStart, '\n', size_t(size - offset)));
            const qsizetype length = newline ? newline - lineStart : size - offset;
            offset += length + 1;
            if (length == 0 || lineStart[0] == '#')
                continue;
            if (lineStart[0] != '\t')
                break;
            if (length < 6 || lineStart[1] == '\t')
                continue; // a subsystem line, or too short to hold an ID
            qsizetype keyEnd = 1;
            while (keyEnd < length && lineStart[keyEnd] != ' ' && lineStart[keyEnd] != '\t')
                ++keyEnd;
            result.insert(QByteArray(lineStart + 1, keyEnd - 1).toLower(),
                          cleanName(lineStart + keyEnd, length - keyEnd));
        }
        return result;
    }

    QString vendor(const QByteArray &key)
    {
        QMutexLocker lock(&mutex_);
        auto it = vendors_.find(key);
        if (it == vendors_.end()) {
            qsizetype next = -1;
            const QString name = topLevel(key, &next);
            it = vendors_.insert(key, {name, next});
        }
        return it->first;
    }

    QString product(const QByteArray &vendorKey, const QByteArray &productKey)
    {
        vendor(vendorKey);
        QMutexLocker lock(&mutex_);
        auto it = products_.find(vendorKey);
        if (it == products_.end()) {
            const qsizetype offset = vendors_.value(vendorKey).second;
            it = products_.insert(vendorKey, offset < 0 ? QHash<QByteArray, QString>() : children(offset));
        }
        return it->value(productKey);
    }

private:
    QByteArray data_;
    QMutex mutex_;
    QHash<QByteArray, std::pair<QString, qsizetype>> vendors_;
    QHash<QByteArray, QHash<QByteArray, QString>> products_; // by vendor, parsed when first asked for
};

IdsFile &idsFile(const QString &path)
{
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<IdsFile>> files;
    QMutexLocker lock(&mutex);
    auto &file = files[path];
    if (!file)
        file = std::make_shared<IdsFile>(path);
    return *file;
}

QByteArray hexKey(quint16 value)
{
    return QByteArray::number(value, 16).rightJustified(4, '0');
}

} // namespace

QString pciVendor(const QString &file, quint16 vendor)
{
    return file.isEmpty() ? QString() : idsFile(file).vendor(hexKey(vendor));
}

QString pciDevice(const QString &file, quint16 vendor, quint16 device)
{
    return file.isEmpty() ? QString() : idsFile(file).product(hexKey(vendor), hexKey(device));
}

QString usbVendor(const QString &file, quint16 vendor)
{
    return pciVendor(file, vendor);
}

QString usbProduct(const QString &file, quint16 vendor, quint16 product)
{
    return pciDevice(file, vendor, product);
}

QString pnpVendor(const QString &file, const QString &code)
{
    return file.isEmpty() || code.size() != 3 ? QString() : idsFile(file).vendor(code.toUpper().toLatin1());
}

QString shortVendorName(const QString &vendorName)
{
    static const QRegularExpression bracket(QStringLiteral("\\[([^\\]/]+)"));
    const auto match = bracket.match(vendorName);
    if (match.hasMatch())
        return match.captured(1).trimmed();
    QString name = vendorName;
    static const QRegularExpression suffix(
        QStringLiteral("[, ]+(Corporation|Corp\\.?|Inc\\.?|Co\\.?,? Ltd\\.?|Ltd\\.?|GmbH|AG|S\\.A\\.|Limited|Incorporated|Technology|Semiconductor)$"),
        QRegularExpression::CaseInsensitiveOption);
    for (int i = 0; i < 3; ++i)
        name.remove(suffix);
    return name.trimmed().isEmpty() ? vendorName : name.trimmed();
}

QString deviceDisplayName(const QString &vendorName, const QString &deviceName, bool marketingNames)
{
    if (deviceName.isEmpty())
        return {};
    static const QRegularExpression marketing(QStringLiteral("^[^\\[]*\\[([^\\]]+)\\]\\s*$"));
    const auto match = marketing.match(deviceName);
    if (marketingNames && match.hasMatch() && !vendorName.isEmpty())
        return shortVendorName(vendorName) + QLatin1Char(' ') + match.captured(1).trimmed();
    if (vendorName.isEmpty())
        return deviceName;
    return vendorName + QLatin1Char(' ') + deviceName;
}

} // namespace platform::linuxhw::ids
