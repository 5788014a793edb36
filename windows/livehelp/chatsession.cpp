#include "windows/livehelp/chatsession.h"

#include "chat/protocol.h"

namespace livehelp {

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

std::optional<quint16> portValue(const QString &text)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    uint value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}

QString errorLine(int number, const QString &description)
{
    QString line = QStringLiteral("> Error (%1): %2").arg(number).arg(description);
    if (!line.endsWith(u'.'))
        line += u'.';
    return line;
}

QString withoutFrameSeparators(const QString &text)
{
    QString cleaned = text;
    cleaned.remove(QChar::fromLatin1(chat::kFieldSeparator));
    cleaned.remove(QChar::fromLatin1(chat::kFrameEnd));
    return cleaned;
}

} // namespace livehelp
