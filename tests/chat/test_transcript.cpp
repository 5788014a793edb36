// The transcript writers, the handlers of received frames and the user list, read back from the
// widgets they write to.
#include "chat/chatstate.h"
#include "chat/transcript.h"
#include "tests/chat/chattesthelpers.h"
#include "tests/support/testsupport.h"

#include <QAccessible>
#include <QApplication>
#include <QAccessibleTextInterface>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

using chattest::transcriptLines;
using chattest::transcriptTexts;

namespace {

QStringList entries(const QListWidget &list)
{
    QStringList names;
    for (int row = 0; row < list.count(); ++row)
        names.append(list.item(row)->text());
    return names;
}

} // namespace

class TestTranscript : public QObject {
    Q_OBJECT

    testsupport::TemporaryApplicationFolder folder;
    chattest::RecordingSounds *sounds = nullptr;
    QTextEdit *transcript = nullptr;
    QListWidget *users = nullptr;

    chat::ChatView view() const { return {transcript, users}; }

    // Runs received bytes through the program's receive buffer and the dispatch.
    void receive(const QByteArray &bytes)
    {
        chat::chatState().ReceiveBuffer.receive(bytes, [&](QByteArrayView e) { chat::DispatchFrame(view(), e); });
    }

private slots:
    void init()
    {
        sounds = new chattest::RecordingSounds;
        transcript = new QTextEdit;
        users = new QListWidget;
        chat::chatState().CurrentNickname = QStringLiteral("Alice");
    }

    void cleanup()
    {
        delete transcript;
        delete users;
        delete sounds;
        QVERIFY(chat::chatState().ReceiveBuffer.pending().isEmpty());
    }

    // Each kind of line with the font, weight and colour of every run, one sound per line.
    void linesAndTheirRuns()
    {
        chat::AddStatusLine(transcript, chat::kGreen, QStringLiteral("> Connected!"));
        chat::AddChatLine(transcript, QStringLiteral("Bob"), QStringLiteral("hello"));
        chat::AddChatLine(transcript, QStringLiteral("aLICE"), QStringLiteral("mine"));
        chat::AddPresenceLine(transcript, QStringLiteral("ALICE"), true);
        chat::AddPresenceLine(transcript, QStringLiteral("Bob"), false);

        const auto lines = transcriptLines(transcript);
        QCOMPARE(transcriptTexts(transcript),
                 QStringList({"> Connected!", "Bob: hello", "aLICE: mine", "ALICE has joined the room.", "Bob has left the room."}));
        struct Want {
            int line;
            QString text;
            bool bold;
            QColor colour;
        };
        const QList<Want> wanted = {
            {0, "> Connected!", false, chat::kGreen},
            {1, "Bob: ", true, chat::kDarkRed},
            {1, "hello", false, chat::kBlack},
            {2, "aLICE: ", true, chat::kNavy},
            {2, "mine", false, chat::kBlack},
            {3, "ALICE ", true, chat::kNavy},
            {3, "has joined the room.", false, chat::kGreen},
            {4, "Bob ", true, chat::kDarkRed},
            {4, "has left the room.", false, chat::kGrey},
        };
        QList<int> runCounts(lines.size(), 0);
        for (const Want &want : wanted) {
            const auto &run = lines[want.line][runCounts[want.line]++];
            QCOMPARE(run.text, want.text);
            QCOMPARE(run.bold, want.bold);
            QCOMPARE(run.colour, want.colour);
            QCOMPARE(run.family, QStringLiteral("Tahoma"));
            QCOMPARE(run.pointSize, 9.0);
            QVERIFY(!run.italic && !run.underline);
        }
        for (int line = 0; line < lines.size(); ++line)
            QCOMPARE(lines[line].size(), runCounts[line]);

        QCOMPARE(sounds->played.size(), 5);
        QCOMPARE(sounds->played.first(), folder.file(QStringLiteral("sysmessage.WAV")));
    }

    // Received text is text: markup and line breaks show as they came.
    void receivedTextIsPlain()
    {
        receive("MSG\x02<b>Eve</b>\x02<img src=x> <a href='y'>z</a> &amp;\x04");
        QCOMPARE(transcriptTexts(transcript), QStringList{"<b>Eve</b>: <img src=x> <a href='y'>z</a> &amp;"});
        QVERIFY(!transcript->document()->toHtml().contains(QLatin1String("<img")));
        QCOMPARE(transcriptLines(transcript)[0][0].bold, true);
    }

    // Control characters in received fields are shown as symbols: nothing hides the lines after
    // them from a screen reader, and no field draws a line break of its own.
    void controlCharactersShownVisibly()
    {
        chat::chatState().CurrentNickname = QStringLiteral("me\tyou");
        receive(QByteArrayLiteral("MSG\x02" "Ev\0e\x02" "a\0b\r\n" "Server: lost\x1b\x7f\x81\x04"));
        receive(QByteArrayLiteral("MSG\x02" "me\tyou\x02" "mine\x04" "ENT\x02X\x01\x04"));
        receive(QByteArrayLiteral("MSG\x02" "Bob\x02" "after\x04"));
        const QStringList expected = {QStringLiteral("Ev\u2400e: a\u2400b\u240d\u240aServer: lost\u241b\u2421\ufffd"),
                                      QStringLiteral("me\u2409you: mine"), QStringLiteral("X\u2401 has joined the room."),
                                      QStringLiteral("Bob: after")};
        QCOMPARE(transcriptTexts(transcript), expected);
        QCOMPARE(transcriptLines(transcript)[1][0].colour, chat::kNavy);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(transcript);
        QVERIFY(accessible && accessible->textInterface());
        const QString read = accessible->textInterface()->text(0, accessible->textInterface()->characterCount());
        QVERIFY(read.contains(QLatin1String("Bob: after")));
        for (const QChar c : read)
            QVERIFY2(c >= u' ' || c == u'\n' || c == QChar::ParagraphSeparator, qPrintable(QString::number(c.unicode(), 16)));

        receive(QByteArrayLiteral("LST\x02" "A\0\r\nB\tC\r\nX\x01\r\n\x04"));
        QCOMPARE(entries(*users), QStringList({QStringLiteral("A\u2400"), QStringLiteral("B\u2409C"), QStringLiteral("X\u2401")}));
        receive(QByteArrayLiteral("LEA\x02x\x01\x04"));
        QCOMPARE(entries(*users), QStringList({QStringLiteral("A\u2400"), QStringLiteral("B\u2409C")}));
    }

    // A word longer than any line gets invisible break marks, which a copy leaves out: its
    // layout then costs time in proportion to its length, not its square.
    void longWordsBreakAnywhereAndCopyWhole()
    {
        chat::TranscriptBox box;
        const QString word(1000, u'x');
        chat::AddChatLine(&box, QStringLiteral("Bob"), word + QStringLiteral(" short words stay as they are"));
        const QString shown = transcriptTexts(&box).first();
        QCOMPARE(shown.count(QChar(chat::kBreakMark)), 3);
        QCOMPARE(shown.indexOf(QChar(chat::kBreakMark)), 5 + 256);
        QCOMPARE(QString(shown).remove(QChar(chat::kBreakMark)), QStringLiteral("Bob: ") + word + QStringLiteral(" short words stay as they are"));
        QCOMPARE(box.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
        QCOMPARE(box.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(box.isReadOnly());
        box.selectAll();
        box.copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Bob: ") + word + QStringLiteral(" short words stay as they are\n"));
    }

    void writersLeaveOtherControlsAlone()
    {
        QLabel label;
        chat::AddStatusLine(&label, chat::kGrey, QStringLiteral("x"));
        chat::AddChatLine(nullptr, QStringLiteral("a"), QStringLiteral("b"));
        QVERIFY(label.text().isEmpty());
        QVERIFY(sounds->played.isEmpty());
    }

    // Frames in arrival order, split anywhere, skipped when they are no frames of ours.
    void dispatchOfReceivedFrames()
    {
        receive("MSG\x02" "Bob\x02one\x04MSG\x02" "Bob\x02two\x04");
        receive("MSG\x02" "Bo");
        receive("b\x02thr");
        QCOMPARE(transcriptTexts(transcript).size(), 2);
        receive("ee\x04LE");
        QCOMPARE(chat::chatState().ReceiveBuffer.pending(), QByteArray("LE"));
        receive("A\x02nobody\x04");
        // Skipped: empty elements, a bare command, lower case, no separator, unknown commands, a
        // message without its text field.
        receive("\x04\x04LST\x04msg\x02x\x02y\x04MSGxyz\x04XYZ\x02q\x04MSG\x02lonely\x04");
        // Field 3 of a message is dropped.
        receive("MSG\x02" "Bob\x02" "four\x02" "extra\x04");
        QCOMPARE(transcriptTexts(transcript),
                 QStringList({"Bob: one", "Bob: two", "Bob: three", "nobody has left the room.", "Bob: four"}));
    }

    void userList()
    {
        receive("LST\x02" "Alice\r\nBob\r\n\x04");
        QCOMPARE(entries(*users), QStringList({"Alice", "Bob"}));
        QVERIFY(transcriptTexts(transcript).isEmpty());
        QVERIFY(sounds->played.isEmpty());

        receive("ENT\x02" "bob\x04");
        QCOMPARE(entries(*users), QStringList({"Alice", "Bob", "bob"}));
        receive("LEA\x02" "BOB\x04");
        QCOMPARE(entries(*users), QStringList({"Alice", "bob"}));
        receive("LEA\x02stranger\x04");
        QCOMPARE(entries(*users), QStringList({"Alice", "bob"}));
        // A join whose command has further letters is a leave.
        receive("ENTER\x02" "alice\x04");
        QCOMPARE(entries(*users), QStringList({"bob"}));
        QCOMPARE(transcriptTexts(transcript).last(), QStringLiteral("alice has left the room."));
        QCOMPARE(transcriptLines(transcript).last()[0].colour, chat::kNavy);

        receive("LST\x02one name\x04");
        QCOMPARE(entries(*users), QStringList{"one name"});
        receive("LST\x02\x04");
        QCOMPARE(entries(*users), QStringList{QString()});
        receive("LST\x02\r\n\r\nX\r\n\x04");
        QCOMPARE(entries(*users), QStringList{"X"});
        QCOMPARE(sounds->played.size(), 4);
    }

    void removeListEntry()
    {
        QComboBox combo;
        combo.addItems({"Ann", "ann", "Bea"});
        chat::RemoveListEntry(&combo, QStringLiteral("ANN"));
        QCOMPARE(combo.count(), 2);
        QCOMPARE(combo.itemText(0), QStringLiteral("ann"));
        QLabel label(QStringLiteral("Ann"));
        chat::RemoveListEntry(&label, QStringLiteral("Ann"));
        QCOMPARE(label.text(), QStringLiteral("Ann"));
    }

    // The caret and the view follow the newest line.
    void caretAndViewAtTheEnd()
    {
        transcript->resize(300, 120);
        transcript->show();
        QVERIFY(QTest::qWaitForWindowExposed(transcript));
        for (int i = 0; i < 200; ++i) {
            chat::AddChatLine(transcript, QStringLiteral("Bob"), QStringLiteral("line %1").arg(i));
            QCOMPARE(transcript->textCursor().position(), transcript->document()->characterCount() - 1);
        }
        QCoreApplication::processEvents();
        const QScrollBar *bar = transcript->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QVERIFY(transcript->viewport()->rect().contains(transcript->cursorRect()));
        const QRect lastLine = transcript->cursorRect(QTextCursor(transcript->document()->lastBlock().previous()));
        QVERIFY(transcript->viewport()->rect().contains(lastLine));
    }
};

QTEST_MAIN(TestTranscript)
#include "test_transcript.moc"
