#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstring>

namespace chat {

// The separators of the chat frames.
inline constexpr char kFrameEnd = 0x04;     // ends every frame, both directions
inline constexpr char kFieldSeparator = 0x02; // between the command and the fields, and between fields
inline constexpr const char *kNameSeparator = "\r\n"; // between the nicknames of an "LST" frame

// Frames the client sends, in the ANSI code page.
QByteArray connectFrame(const QString &nickname);                        // "CON" 02 nickname 04
QByteArray messageFrame(const QString &nickname, const QString &message); // "MSG" 02 nickname 02 text 04

// The received characters that have not yet been followed by a frame end. receive() hands every
// element before a frame end to the caller, in arrival order, and keeps the unfinished tail for
// the next arrival. Each byte is looked at once, so the cost is linear in the bytes received
// however the stream is cut.
class FrameReassembler {
public:
    // An unfinished frame may grow to this many bytes; a peer that sends more without a frame end
    // is not speaking the chat protocol.
    static constexpr qsizetype kMaxUnfinished = 1024 * 1024;

    explicit FrameReassembler(qsizetype maxUnfinished = kMaxUnfinished) : maxUnfinished_(maxUnfinished) {}

    enum class Result { Ok, Overflow };

    // Appends the bytes and calls onElement(QByteArrayView) for each element (empty ones included)
    // completed by a frame end. Overflow: the tail grew beyond the bound and was discarded;
    // the elements before it were handed on.
    template<class OnElement> Result receive(QByteArrayView bytes, OnElement &&onElement)
    {
        qsizetype scanFrom = buffer_.size(); // the tail holds no frame end
        buffer_.append(bytes);
        qsizetype start = 0;
        while (const void *end = std::memchr(buffer_.constData() + scanFrom, kFrameEnd, buffer_.size() - scanFrom)) {
            const qsizetype at = static_cast<const char *>(end) - buffer_.constData();
            onElement(QByteArrayView(buffer_.constData() + start, at - start));
            start = scanFrom = at + 1;
        }
        if (start > 0)
            buffer_.remove(0, start);
        if (buffer_.size() > maxUnfinished_) {
            buffer_.clear();
            return Result::Overflow;
        }
        return Result::Ok;
    }

    // The unfinished tail.
    const QByteArray &pending() const { return buffer_; }

private:
    qsizetype maxUnfinished_;
    QByteArray buffer_;
};

} // namespace chat
