#pragma once
// Helpers shared by the chat and Live Help tests.
#include "chat/protocol.h"
#include "platform/sound/sound.h"

#include <QColor>
#include <QList>
#include <QStringList>
#include <QTcpSocket>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

namespace chattest {

// Records the sounds instead of playing them; installed for its lifetime.
struct RecordingSounds final : platform::sound::SoundService {
    RecordingSounds() { platform::sound::setSoundService(this); }
    ~RecordingSounds() override { platform::sound::setSoundService(nullptr); }
    void playFile(const QString &path) override { played.append(path); }
    QStringList played;
};

// A chat client on loopback that collects the frames it receives.
struct Client {
    QTcpSocket socket;
    chat::FrameReassembler received;
    QList<QByteArray> frames;

    explicit Client(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            received.receive(socket.readAll(), [this](QByteArrayView e) { frames.append(e.toByteArray()); });
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    bool waitConnected() { return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000); }
    void send(const QByteArray &bytes) { socket.write(bytes); }
    bool waitFrames(int count) { return QTest::qWaitFor([&] { return frames.size() >= count; }, 5000); }
};

struct Run {
    QString text;
    bool bold = false;
    QColor colour;
    QString family;
    double pointSize = 0;
    bool italic = false;
    bool underline = false;
};

// The runs of every line of the transcript, read back from its document. The empty block after
// the last line end is left out.
inline QList<QList<Run>> transcriptLines(const QTextEdit *edit)
{
    QList<QList<Run>> lines;
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
        if (!block.next().isValid() && block.text().isEmpty())
            break;
        QList<Run> runs;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            runs.append({fragment.text(), format.fontWeight() >= QFont::Bold, format.foreground().color(),
                         format.fontFamilies().toStringList().value(0), format.fontPointSize(), format.fontItalic(),
                         format.fontUnderline()});
        }
        lines.append(runs);
    }
    return lines;
}

inline QStringList transcriptTexts(const QTextEdit *edit)
{
    QStringList texts;
    for (const auto &line : transcriptLines(edit)) {
        QString text;
        for (const Run &run : line)
            text += run.text;
        texts.append(text);
    }
    return texts;
}

} // namespace chattest
