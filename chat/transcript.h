#pragma once
#include <QByteArrayView>
#include <QColor>
#include <QPointer>
#include <QString>
#include <QTextCursor>
#include <QTextEdit>
#include <QWidget>

namespace chat {

// Colours of the transcript.
inline const QColor kGrey(128, 128, 128);
inline const QColor kDarkRed(128, 0, 0);
inline const QColor kGreen(0, 128, 0);
inline const QColor kNavy(0, 0, 128);
inline const QColor kBlack(0, 0, 0);

// The font of every transcript run.
inline constexpr const char *kTranscriptFont = "Tahoma";
inline constexpr int kTranscriptPointSize = 9;

// The transcript box: a read-only rich-text box whose vertical scroll bar is always there (so a
// long burst never lays the whole transcript out again when the bar appears), and which copies
// its text without the invisible break marks the writers put into very long words.
class TranscriptBox : public QTextEdit {
    Q_OBJECT
public:
    explicit TranscriptBox(QWidget *parent = nullptr);

protected:
    QMimeData *createMimeDataFromSelection() const override;
};

// Received text as it is shown: every control character becomes a visible symbol (C0 controls
// and DEL their Unicode control pictures, such as U+2400 for NUL and U+240D for CR; the C1
// controls U+FFFD). A NUL then no longer ends what a screen reader reads of the transcript, and a
// CR LF inside a field cannot start a line of its own that looks like a message or a status line.
QString visibleControls(QStringView text);

// The controls the received frames are shown in: the transcript (a QTextEdit) and the user list
// (a QListWidget).
struct ChatView {
    QPointer<QWidget> transcript;
    QPointer<QWidget> users;
};

// Transcript writers: each appends one line at the end, keeps the caret and the view there, and
// then plays the notification sound. Text is always inserted as plain text; a word longer than
// kLongestUnbrokenRun characters gets an invisible break mark (U+200B) after every
// kLongestUnbrokenRun characters, since laying out one unbroken word costs the square of its
// length. They do nothing when the transcript is not a rich-text box (a QTextEdit).
inline constexpr qsizetype kLongestUnbrokenRun = 256;
inline constexpr char16_t kBreakMark = 0x200B;
void AddStatusLine(QWidget *transcript, const QColor &colour, const QString &text);
void AddChatLine(QWidget *transcript, const QString &nickname, const QString &message);
void AddPresenceLine(QWidget *transcript, const QString &nickname, bool joined);

// Lines written while a batch lives are laid out together when it ends, not one by one, and the
// view then follows the last of them: for the lines of one arrival, which can be thousands.
class TranscriptBatch {
public:
    explicit TranscriptBatch(QWidget *transcript);
    ~TranscriptBatch();
    TranscriptBatch(const TranscriptBatch &) = delete;
    TranscriptBatch &operator=(const TranscriptBatch &) = delete;

private:
    QPointer<QTextEdit> edit_;
    QTextCursor cursor_;
};

// Handlers of received frames, given the frame text without its terminator. The fields are shown
// with visibleControls().
void ShowChatMessage(const ChatView &view, const QString &frame);
void FillUserList(const ChatView &view, const QString &frame);
void ShowJoinOrLeave(const ChatView &view, const QString &frame);

// Hands one received element to its handler by its first three characters; elements of three
// characters or fewer and unknown commands are skipped.
void DispatchFrame(const ChatView &view, QByteArrayView element);

// Removes the first entry of a list box (QListWidget) or combo box (QComboBox) equal to the text,
// both in lower case; any other control is left alone.
void RemoveListEntry(QWidget *list, const QString &text);

// Plays sysmessage.WAV from the application folder without waiting.
void PlayNotificationSound();

} // namespace chat
