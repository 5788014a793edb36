// Received bytes, cut into chunks by the input itself, through the reassembly and the handlers.
#include "chat/chatstate.h"
#include "chat/transcript.h"
#include "platform/sound/sound.h"

#include <QApplication>
#include <QListWidget>
#include <QTextEdit>

#include <cstddef>
#include <cstdint>

namespace {
struct SilentSounds final : platform::sound::SoundService {
    void playFile(const QString &) override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_chat_dispatch";
    static char *argv[] = {name, nullptr};
    static QApplication *application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    Q_UNUSED(application);
    static SilentSounds silent;
    platform::sound::setSoundService(&silent);

    QTextEdit transcript;
    QListWidget users;
    const chat::ChatView view{&transcript, &users};
    chat::FrameReassembler reassembler;
    // The first byte of every chunk gives the length of the next chunk.
    size_t at = 0;
    while (at < size) {
        const size_t length = 1 + data[at] % 64;
        ++at;
        const size_t take = length < size - at ? length : size - at;
        reassembler.receive(QByteArrayView(data + at, qsizetype(take)),
                            [&](QByteArrayView element) { chat::DispatchFrame(view, element); });
        at += take;
    }
    return 0;
}
