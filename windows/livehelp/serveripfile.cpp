#include "windows/livehelp/serveripfile.h"

#include "app/failures.h"
#include "chat/ansicodepage.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }
bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

} // namespace

QString readServerAddress(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The address is a few bytes; a larger file is not ours to interpret in full.
    const QString text = chat::fromAnsi(file.read(64 * 1024));

    QString last;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && (isBlank(text[i]) || isLineEnd(text[i])))
            ++i;
        if (i >= n)
            break;
        QString field;
        if (text[i] == u'"') {
            const qsizetype close = text.indexOf(u'"', i + 1);
            const qsizetype end = close < 0 ? n : close;
            field = text.mid(i + 1, end - i - 1);
            i = close < 0 ? n : close + 1;
            // Whatever follows the closing quote up to the next separator is not part of the field.
            while (i < n && text[i] != u',' && !isLineEnd(text[i]))
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != u',' && !isLineEnd(text[i]))
                ++i;
            field = text.mid(start, i - start);
            while (!field.isEmpty() && isBlank(field.back()))
                field.chop(1);
        }
        if (i < n && text[i] == u',')
            ++i;
        last = field;
    }
    return last;
}

void writeServerAddress(const QString &path, const QString &address)
{
    QSaveFile file(path);
    const QByteArray line = "\"" + chat::toAnsi(address) + "\"\r\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(line) != line.size() || !file.commit()) {
        throw app::Failure(QStringLiteral("The chat server address could not be saved to %1 (%2). "
                                          "Make sure the program's folder can be written to; the address "
                                          "stored before is kept.")
                               .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
}
