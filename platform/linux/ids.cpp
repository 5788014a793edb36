// pci.ids / usb.ids / pnp.ids lookups. The files are kept in memory once read; a vendor's
// block is found by searching for its line and parsed only when one of its IDs is asked for.
#include "platform/linux/ids.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>

#include <memory>

namespace platform::linuxhw::ids {

namespace {

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
                return QString::fromUtf8(data_.mid(afterKey, end - afterKey)).trimmed();
            }
            at = start;
        }
        return {};
    }

    // A second-level entry ("\t1234  Device") under the entry that ends at offset.
    QString child(qsizetype offset, const QByteArray &key) const
    {
        while (offset < data_.size()) {
            qsizetype end = data_.indexOf('\n', offset);
            if (end < 0)
                end = data_.size();
            const QByteArray line = data_.mid(offset, end - offset);
            offset = end + 1;
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            if (!line.startsWith('\t'))
                break;
            if (line.startsWith("\t\t"))
                continue;
            if (line.mid(1, key.size()).compare(key, Qt::CaseInsensitive) == 0 && line.size() > key.size() + 1
                && (line[key.size() + 1] == ' ' || line[key.size() + 1] == '\t'))
                return QString::fromUtf8(line.mid(key.size() + 1)).trimmed();
        }
        return {};
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
        const QByteArray key = vendorKey + ':' + productKey;
        {
            QMutexLocker lock(&mutex_);
            if (auto it = products_.constFind(key); it != products_.constEnd())
                return *it;
        }
        vendor(vendorKey);
        QMutexLocker lock(&mutex_);
        const qsizetype offset = vendors_.value(vendorKey).second;
        const QString name = offset < 0 ? QString() : child(offset, productKey);
        products_.insert(key, name);
        return name;
    }

private:
    QByteArray data_;
    QMutex mutex_;
    QHash<QByteArray, std::pair<QString, qsizetype>> vendors_;
    QHash<QByteArray, QString> products_;
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
