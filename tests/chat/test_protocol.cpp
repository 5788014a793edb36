// The chat frames on the wire: the code page, the frames the client builds, and the reassembly
// of received bytes into frames however TCP cuts them.
#include "chat/ansicodepage.h"
#include "chat/protocol.h"

#include <QList>
#include <QRandomGenerator>
#include <QTest>

using chat::FrameReassembler;

namespace {

// Feeds the stream in the given chunk sizes; returns every element handed on, and the tail left.
QList<QByteArray> reassemble(FrameReassembler &reassembler, const QByteArray &stream, const QList<int> &cuts)
{
    QList<QByteArray> elements;
    qsizetype at = 0;
    for (int size : cuts) {
        const auto result = reassembler.receive(QByteArrayView(stream).sliced(at, size),
                                                [&](QByteArrayView element) { elements.append(element.toByteArray()); });
        Q_ASSERT(result == FrameReassembler::Result::Ok);
        at += size;
    }
    return elements;
}

// The elements before the last frame end, and what follows it: what any cutting must give.
QPair<QList<QByteArray>, QByteArray> expected(const QByteArray &stream)
{
    QList<QByteArray> pieces = stream.split(chat::kFrameEnd);
    const QByteArray tail = pieces.takeLast();
    return {pieces, tail};
}

} // namespace

class TestChatProtocol : public QObject {
    Q_OBJECT
private slots:
    void codePageBothWays()
    {
        const QString text = QStringLiteral("caf\u00e9 \u20ac5 \u201cquoted\u201d \u00ff");
        const QByteArray bytes = chat::toAnsi(text);
        QCOMPARE(bytes, QByteArray("caf\xe9 \x80" "5 \x93quoted\x94 \xff"));
        QCOMPARE(chat::fromAnsi(bytes), text);
        // Every byte reads as one character and writes back as the same byte.
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(chat::fromAnsi(all).size(), 256);
        QCOMPARE(chat::toAnsi(chat::fromAnsi(all)), all);
        // Characters the code page cannot hold: one "?" each, a surrogate pair included.
        QCOMPARE(chat::toAnsi(QStringLiteral("a\u4e2db\U0001F600c")), QByteArray("a?b?c"));
    }

    void framesTheClientSends()
    {
        QCOMPARE(chat::connectFrame(QStringLiteral("Ren\u00e9")), QByteArray("CON\x02Ren\xe9\x04"));
        QCOMPARE(chat::messageFrame(QStringLiteral("Bob"), QStringLiteral(" hi  ")), QByteArray("MSG\x02" "Bob\x02 hi  \x04"));
        QCOMPARE(chat::messageFrame(QStringLiteral("Bob"), QString()), QByteArray("MSG\x02" "Bob\x02\x04"));
    }

    // Every way of cutting a short stream, with empty elements, short elements and an unfinished
    // tail, gives the same elements in the same order and keeps the same tail.
    void everyCuttingOfAStream()
    {
        const QByteArray stream("\x04" "MSG\x02" "a\x02" "b\x04\x04" "LS\x04" "EN");
        const auto [wantElements, wantTail] = expected(stream);
        const int gaps = stream.size() - 1;
        for (quint32 mask = 0; mask < (1u << gaps); ++mask) {
            QList<int> cuts;
            int size = 1;
            for (int gap = 0; gap < gaps; ++gap) {
                if (mask & (1u << gap)) {
                    cuts.append(size);
                    size = 1;
                } else {
                    ++size;
                }
            }
            cuts.append(size);
            FrameReassembler reassembler;
            const auto elements = reassemble(reassembler, stream, cuts);
            if (elements != wantElements || reassembler.pending() != wantTail)
                QFAIL(qPrintable(QStringLiteral("cutting %1 differs").arg(mask, 0, 2)));
        }
    }

    // Long random streams of frames cut at random points, and byte by byte.
    void randomCuttingsOfLongStreams()
    {
        QRandomGenerator random(20261207);
        for (int round = 0; round < 200; ++round) {
            QByteArray stream;
            const int frames = random.bounded(1, 60);
            for (int f = 0; f < frames; ++f) {
                const int length = random.bounded(0, 300);
                for (int i = 0; i < length; ++i) {
                    char c = char(random.bounded(256));
                    stream.append(c == chat::kFrameEnd ? 'x' : c);
                }
                if (f + 1 < frames || random.bounded(2))
                    stream.append(chat::kFrameEnd);
            }
            QList<int> cuts;
            for (int left = stream.size(); left > 0;) {
                const int size = round % 10 == 0 ? 1 : qMin(left, random.bounded(1, 700));
                cuts.append(size);
                left -= size;
            }
            const auto [wantElements, wantTail] = expected(stream);
            FrameReassembler reassembler;
            QCOMPARE(reassemble(reassembler, stream, cuts), wantElements);
            QCOMPARE(reassembler.pending(), wantTail);
        }
    }

    // The tail is carried over; further arrivals complete it.
    void tailCarriedToTheNextArrival()
    {
        FrameReassembler reassembler;
        QList<QByteArray> seen;
        auto collect = [&](QByteArrayView e) { seen.append(e.toByteArray()); };
        reassembler.receive("MSG\x02" "a\x02" "b\x04LS", collect);
        QCOMPARE(seen, QList<QByteArray>{"MSG\x02" "a\x02" "b"});
        QCOMPARE(reassembler.pending(), QByteArray("LS"));
        reassembler.receive("T\x02", collect);
        QCOMPARE(seen.size(), 1);
        reassembler.receive("x\r\n\x04", collect);
        QCOMPARE(seen.last(), QByteArray("LST\x02x\r\n"));
        QVERIFY(reassembler.pending().isEmpty());
    }

    // A peer that never ends its frame is cut off at the bound; complete frames before it are
    // still handed on, and the reassembler starts afresh afterwards.
    void unfinishedFrameIsBounded()
    {
        FrameReassembler reassembler;
        QList<QByteArray> seen;
        auto collect = [&](QByteArrayView e) { seen.append(e.toByteArray()); };
        const QByteArray chunk(64 * 1024, 'a');
        QCOMPARE(reassembler.receive("ENT\x02z\x04MSG\x02", collect), FrameReassembler::Result::Ok);
        FrameReassembler::Result result = FrameReassembler::Result::Ok;
        qsizetype sent = 0;
        while (result == FrameReassembler::Result::Ok && sent <= 2 * FrameReassembler::kMaxUnfinished) {
            result = reassembler.receive(chunk, collect);
            sent += chunk.size();
        }
        QCOMPARE(result, FrameReassembler::Result::Overflow);
        QVERIFY(sent > FrameReassembler::kMaxUnfinished - chunk.size());
        QCOMPARE(seen, QList<QByteArray>{"ENT\x02z"});
        QVERIFY(reassembler.pending().isEmpty());
        QCOMPARE(reassembler.receive("LEA\x02z\x04", collect), FrameReassembler::Result::Ok);
        QCOMPARE(seen.last(), QByteArray("LEA\x02z"));
    }
};

QTEST_GUILESS_MAIN(TestChatProtocol)
#include "test_protocol.moc"
