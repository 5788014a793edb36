#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <cstring>
#include <string>

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
        const char *next = bytes.data();
        const char *const end = next + bytes.size();
        while (next < end) {
            // memchr pays off on longer runs; a few bytes are quicker looked at one by one.
            const char *stop = end - next < 32 ? std::find(next, end, kFrameEnd)
                                               : static_cast<const char *>(std::memchr(next, kFrameEnd, size_t(end - next)));
            if (!stop || stop == end) {
                tail_.append(next, size_t(end - next));
                break;
            }
            // A frame that began in an earlier arrival is completed in the tail; others are handed
            // on straight from the arrival.
            if (tail_.empty()) {
                onElement(QByteArrayView(next, stop - next));
            } else {
                tail_.append(next, size_t(stop - next));
                onElement(QByteArrayView(tail_.data(), qsizetype(tail_.size())));
                tail_.clear();
            }
            next = stop + 1;
        }
        if (qsizetype(tail_.size()) > maxUnfinished_) {
            tail_.clear();
            return Result::Overflow;
        }
        return Result::Ok;
    }

    // The unfinished tail.
    QByteArray pending() const { return QByteArray(tail_.data(), qsizetype(tail_.size())); }

private:
    qsizetype maxUnfinished_;
    std::string tail_;
};

} // namespace chat
