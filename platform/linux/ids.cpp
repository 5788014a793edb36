// pci.ids / usb.ids / pnp.ids lookups. The files are mapped, not read: their top-level entries
// are sorted, so a vendor is found by bisection and only the pages a lookup touches are read
// from the disk; a vendor's block is indexed when one of its IDs is first asked for.
#include "platform/linux/ids.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat status {};
        // Only a regular file of a plausible size (the real ones are 1-2 MB) is mapped.
        if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0 && status.st_size <= 64 * 1024 * 1024) {
            void *mapped = ::mmap(nullptr, size_t(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (mapped != MAP_FAILED) {
                data_ = static_cast<const char *>(mapped);
                size_ = qsizetype(status.st_size);
            }
        }
        if (fd >= 0)
            ::close(fd);
    }
    ~IdsFile()
    {
        if (data_)
            ::munmap(const_cast<char *>(data_), size_t(size_));
    }
    IdsFile(const IdsFile &) = delete;
    IdsFile &operator=(const IdsFile &) = delete;

    QString vendor(const QByteArray &key)
    {
        QMutexLocker lock(&mutex_);
        return vendorEntry(key).name;
    }

    QString product(const QByteArray &vendorKey, const QByteArray &productKey)
    {
        QMutexLocker lock(&mutex_);
        Vendor &vendor = vendorEntry(vendorKey);
        if (!vendor.indexed) {
            indexChildren(vendor);
            vendor.indexed = true;
        }
        bool ok = false;
        const quint32 wanted = productKey.toUInt(&ok, 16);
        const auto line = std::lower_bound(vendor.children.cbegin(), vendor.children.cend(), Child{wanted, 0, 0});
        if (!ok || line == vendor.children.cend() || line->key != wanted)
            return {};
        return cleanName(data_ + line->name, line->length);
    }

private:
    // A second-level entry: its ID and where its name is in the file.
    struct Child {
        quint32 key;
        qsizetype name, length;
        bool operator<(const Child &other) const { return key < other.key; }
    };
    struct Vendor {
        QString name;
        qsizetype blockStart = -1; // the line after the vendor's
        bool indexed = false;
        std::vector<Child> children; // by ID
    };

    qsizetype lineEnd(qsizetype at) const
    {
        const void *newline = std::memchr(data_ + at, '\n', size_t(size_ - at));
        return newline ? static_cast<const char *>(newline) - data_ : size_;
    }

    // A top-level line: not indented, not a comment, not empty.
    bool isTopLevel(qsizetype line) const
    {
        return line < size_ && data_[line] != '\t' && data_[line] != '#' && data_[line] != '\n' && data_[line] != '\r';
    }

    // The first top-level line that starts in [from, limit), or limit.
    qsizetype topLevelFrom(qsizetype from, qsizetype limit) const
    {
        qsizetype line = from == 0 || data_[from - 1] == '\n' ? from : lineEnd(from) + 1;
        while (line < limit && !isTopLevel(line))
            line = lineEnd(line) + 1;
        return std::min(line, limit);
    }

    // How a top-level line sorts against the key: a vendor line by its key; a line of the
    // files' other sections ("C 00  ...", "BIAS 0  ...") after every vendor.
    int compareKey(qsizetype line, const QByteArray &key) const
    {
        auto shape = [](char c) { return (c >= '0' && c <= '9') ? 0 : (c >= 'a' && c <= 'f') ? 1 : (c >= 'A' && c <= 'Z') ? 2 : 3; };
        const qsizetype end = line + key.size();
        if (end >= size_ || (data_[end] != ' ' && data_[end] != '\t'))
            return 1;
        for (qsizetype i = 0; i < key.size(); ++i) {
            const int ours = shape(data_[line + i]), theirs = shape(key[i]);
            // Digits sort with either kind of key; letters only with their own kind.
            if (ours == 3 || (ours != 0 && theirs != 0 && ours != theirs))
                return 1;
        }
        return std::memcmp(data_ + line, key.constData(), size_t(key.size()));
    }

    qsizetype findByBisection(const QByteArray &key) const
    {
        qsizetype low = 0, high = size_;
        while (low < high) {
            const qsizetype line = topLevelFrom(low + (high - low) / 2, high);
            if (line < high && compareKey(line, key) < 0)
                low = lineEnd(line) + 1;
            else
                high = low + (high - low) / 2;
        }
        const qsizetype line = topLevelFrom(low, size_);
        return line < size_ && compareKey(line, key) == 0 ? line : -1;
    }

    // A file that is not sorted is searched from the start.
    qsizetype findBySearch(const QByteArray &key) const
    {
        for (qsizetype line = 0; line < size_; line = lineEnd(line) + 1)
            if (isTopLevel(line) && compareKey(line, key) == 0)
                return line;
        return -1;
    }

    Vendor &vendorEntry(const QByteArray &key)
    {
        auto it = vendors_.find(key);
        if (it != vendors_.end())
            return *it;
        Vendor vendor;
        if (data_ && !key.isEmpty()) {
            qsizetype line = findByBisection(key);
            if (line < 0)
                line = findBySearch(key);
            if (line >= 0) {
                const qsizetype end = lineEnd(line);
                vendor.name = cleanName(data_ + line + key.size(), end - line - key.size());
                vendor.blockStart = end + 1;
            }
        }
        return *vendors_.insert(key, vendor);
    }

    // The second-level entries ("\t1234  Device") of a vendor's block, as places in the file.
    void indexChildren(Vendor &vendor) const
    {
        for (qsizetype line = vendor.blockStart; line >= 0 && line < size_ && !isTopLevel(line);) {
            const qsizetype end = lineEnd(line);
            const qsizetype length = end - line;
            if (length >= 6 && data_[line] == '\t' && data_[line + 1] != '\t') {
                qsizetype keyEnd = 1;
                while (keyEnd < length && data_[line + keyEnd] != ' ' && data_[line + keyEnd] != '\t')
                    ++keyEnd;
                bool ok = false;
                const quint32 key = QByteArrayView(data_ + line + 1, keyEnd - 1).toUInt(&ok, 16);
                if (ok)
                    vendor.children.push_back({key, line + keyEnd, length - keyEnd});
            }
            line = end + 1;
        }
        // The first entry of an ID stands, as a search from the top would find it.
        std::stable_sort(vendor.children.begin(), vendor.children.end());
    }

    const char *data_ = nullptr;
    qsizetype size_ = 0;
    QMutex mutex_;
    QHash<QByteArray, Vendor> vendors_;
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
