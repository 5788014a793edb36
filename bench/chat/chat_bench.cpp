// Reassembly of 100 MB of frames delivered in chunks of 1 byte to 64 KiB, beside memchr finding
// the same frame ends in the same bytes; then 10,000 transcript lines beside plain-text inserts.
#include "chat/chatstate.h"
#include "chat/protocol.h"
#include "chat/transcript.h"
#include "platform/sound/sound.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextEdit>

#include <cstdio>
#include <cstring>

namespace {

constexpr qsizetype kStreamBytes = 100 * 1000 * 1000;

QByteArray frameStream()
{
    QRandomGenerator random(7);
    QByteArray stream;
    stream.reserve(kStreamBytes + 1024);
    const QByteArray letters("abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789.,!?");
    while (stream.size() < kStreamBytes) {
        stream += "MSG\x02" "Visitor";
        stream += char('0' + random.bounded(10));
        stream += '\x02';
        const int length = random.bounded(1, 400);
        for (int i = 0; i < length; ++i)
            stream += letters[random.bounded(int(letters.size()))];
        stream += '\x04';
    }
    return stream;
}

// memchr over the whole stream, counting frame ends: the fastest a reader could find the frames.
double memchrSeconds(const QByteArray &stream, qsizetype &frames)
{
    QElapsedTimer timer;
    timer.start();
    frames = 0;
    const char *p = stream.constData();
    const char *end = p + stream.size();
    while (const void *hit = std::memchr(p, chat::kFrameEnd, size_t(end - p))) {
        ++frames;
        p = static_cast<const char *>(hit) + 1;
    }
    return timer.nsecsElapsed() / 1e9;
}

double reassemblySeconds(const QByteArray &stream, qsizetype chunk, qsizetype &frames, qsizetype &bytes)
{
    chat::FrameReassembler reassembler;
    frames = 0;
    bytes = 0;
    QElapsedTimer timer;
    timer.start();
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        reassembler.receive(QByteArrayView(stream).sliced(at, qMin(chunk, stream.size() - at)), [&](QByteArrayView e) {
            ++frames;
            bytes += e.size();
        });
    }
    return timer.nsecsElapsed() / 1e9;
}

struct SilentSounds final : platform::sound::SoundService {
    void playFile(const QString &) override {}
};

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const QByteArray stream = frameStream();
    const double megabytes = stream.size() / 1e6;

    qsizetype referenceFrames = 0;
    const double reference = memchrSeconds(stream, referenceFrames);
    std::printf("reassembly of %.0f MB (%lld frames); memchr over the same bytes: %.3f s, %.0f MB/s\n", megabytes,
                static_cast<long long>(referenceFrames), reference, megabytes / reference);
    std::printf("%8s %10s %12s %18s\n", "chunk", "seconds", "MB/s", "time / memchr");
    bool allFast = true;
    for (const qsizetype chunk : {1, 7, 64, 1460, 4096, 65536}) {
        qsizetype frames = 0, bytes = 0;
        const double seconds = reassemblySeconds(stream, chunk, frames, bytes);
        if (frames != referenceFrames || bytes + frames != stream.size()) {
            std::printf("chunk %lld: wrong frames\n", static_cast<long long>(chunk));
            return 1;
        }
        const double rate = megabytes / seconds;
        allFast = allFast && rate >= 200;
        std::printf("%8lld %10.3f %12.0f %17.1fx\n", static_cast<long long>(chunk), seconds, rate, seconds / reference);
    }
    std::printf("aim: at least 200 MB/s for every chunk size: %s\n", allFast ? "met" : "NOT met");

    // Transcript: 10,000 chat lines, beside inserting the same text with no formatting.
    SilentSounds silent;
    platform::sound::setSoundService(&silent);
    QTextEdit transcript;
    transcript.resize(600, 400);
    transcript.show();
    // The reference: the same lines typed into a shown text box as plain text, no formatting.
    QTextEdit plain;
    plain.resize(600, 400);
    plain.show();
    plain.document()->setUndoRedoEnabled(false);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 10000; ++i)
        plain.insertPlainText(QStringLiteral("Visitor: line %1 of the chat, with some words in it\n").arg(i));
    QCoreApplication::processEvents();
    const double plainSeconds = timer.nsecsElapsed() / 1e9;
    timer.restart();
    for (int i = 0; i < 10000; ++i)
        chat::AddChatLine(&transcript, QStringLiteral("Visitor"), QStringLiteral("line %1 of the chat, with some words in it").arg(i));
    QCoreApplication::processEvents();
    const double linesSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("10,000 transcript lines: %.3f s (aim: under 1 s: %s); plain-text inserts of the same: %.3f s; ratio %.1fx\n",
                linesSeconds, linesSeconds < 1 ? "met" : "NOT met", plainSeconds, linesSeconds / plainSeconds);
    platform::sound::setSoundService(nullptr);
    return 0;
}
