#include "chat/transcript.h"

#include "app/appfolder.h"
#include "chat/ansicodepage.h"
#include "chat/chatstate.h"
#include "chat/protocol.h"
#include "platform/sound/sound.h"

#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QListWidget>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include <initializer_list>

namespace chat {

namespace {

// Debian's fonts-wine ships Tahoma where fontconfig does not look; without it Qt picks a
// similar sans-serif face.
void registerTahoma()
{
    static const bool registered = [] {
        const QString file = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
        return QFile::exists(file) && QFontDatabase::addApplicationFont(file) >= 0;
    }();
    Q_UNUSED(registered);
}

struct Run {
    QString text;
    bool bold;
    QColor colour;
};

QTextCharFormat runFormat(const Run &run)
{
    QTextCharFormat format;
    format.setFontFamilies({QString::fromLatin1(kTranscriptFont)});
    format.setFontPointSize(kTranscriptPointSize);
    format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    format.setForeground(run.colour);
    return format;
}

bool breaksLine(QChar c)
{
    return c.isSpace() || c == QChar(kBreakMark);
}

// The text with a break mark after every kLongestUnbrokenRun characters without a blank.
QString withBreakMarks(const QString &text)
{
    qsizetype run = 0;
    qsizetype marks = 0;
    for (const QChar c : text) {
        run = breaksLine(c) ? 0 : run + 1;
        if (run > kLongestUnbrokenRun) {
            ++marks;
            run = 1;
        }
    }
    if (marks == 0)
        return text;
    QString marked;
    marked.reserve(text.size() + marks);
    run = 0;
    for (const QChar c : text) {
        run = breaksLine(c) ? 0 : run + 1;
        if (run > kLongestUnbrokenRun) {
            marked += QChar(kBreakMark);
            run = 1;
        }
        marked += c;
    }
    return marked;
}

// Appends the runs and a line end at the end of the transcript, then plays the sound.
void appendLine(QWidget *transcript, std::initializer_list<Run> runs)
{
    auto *edit = qobject_cast<QTextEdit *>(transcript);
    if (!edit)
        return;
    registerTahoma();
    // The transcript is only ever appended to: an undo history would only cost time and memory.
    if (edit->document()->isUndoRedoEnabled())
        edit->document()->setUndoRedoEnabled(false);
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    // One layout pass per line rather than one per run.
    cursor.beginEditBlock();
    QTextCharFormat format;
    for (const Run &run : runs) {
        format = runFormat(run);
        // A CR LF in a status line is one line break. (Received fields come here with their
        // control characters made visible.)
        QString text = run.text;
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        cursor.insertText(withBreakMarks(text), format);
    }
    cursor.insertText(QStringLiteral("\n"), format);
    cursor.endEditBlock();
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    PlayNotificationSound();
}

// Compared as shown, so that a nickname shown with visible control characters is still
// recognised as the user's own.
bool isOwnNickname(const QString &nickname)
{
    return nickname.toLower() == visibleControls(chatState().CurrentNickname).toLower();
}

const QColor &nicknameColour(const QString &nickname)
{
    return isOwnNickname(nickname) ? kNavy : kDarkRed;
}

QChar fieldSeparator() { return QChar::fromLatin1(kFieldSeparator); }

} // namespace

TranscriptBox::TranscriptBox(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

QMimeData *TranscriptBox::createMimeDataFromSelection() const
{
    const QTextDocumentFragment selection = textCursor().selection();
    QString text = selection.toPlainText();
    QString html = selection.toHtml();
    text.remove(QChar(kBreakMark));
    html.remove(QChar(kBreakMark));
    auto *data = new QMimeData;
    data->setText(text);
    data->setHtml(html);
    return data;
}

TranscriptBatch::TranscriptBatch(QWidget *transcript) : edit_(qobject_cast<QTextEdit *>(transcript))
{
    if (!edit_)
        return;
    cursor_ = QTextCursor(edit_->document());
    cursor_.beginEditBlock();
}

TranscriptBatch::~TranscriptBatch()
{
    if (!edit_)
        return;
    cursor_.endEditBlock();
    edit_->ensureCursorVisible();
}

QString visibleControls(QStringView text)
{
    QString shown = text.toString();
    for (QChar &c : shown) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            c = QChar(char16_t(0x2400 + u));
        else if (u == 0x7F)
            c = QChar(char16_t(0x2421));
        else if (u >= 0x80 && u < 0xA0)
            c = QChar(char16_t(0xFFFD));
    }
    return shown;
}

void PlayNotificationSound()
{
    platform::sound::playFile(app::applicationFile(QStringLiteral("sysmessage.WAV")));
}

void AddStatusLine(QWidget *transcript, const QColor &colour, const QString &text)
{
    appendLine(transcript, {{text, false, colour}});
}

void AddChatLine(QWidget *transcript, const QString &nickname, const QString &message)
{
    appendLine(transcript, {{nickname + QStringLiteral(": "), true, nicknameColour(nickname)}, {message, false, kBlack}});
}

void AddPresenceLine(QWidget *transcript, const QString &nickname, bool joined)
{
    appendLine(transcript, {{nickname + QStringLiteral(" "), true, nicknameColour(nickname)},
                            joined ? Run{QStringLiteral("has joined the room."), false, kGreen}
                                   : Run{QStringLiteral("has left the room."), false, kGrey}});
}

void ShowChatMessage(const ChatView &view, const QString &frame)
{
    const QStringList fields = frame.split(fieldSeparator());
    // Without a text field the frame carries no message.
    if (fields.size() < 3)
        return;
    AddChatLine(view.transcript, visibleControls(fields[1]), visibleControls(fields[2]));
}

void FillUserList(const ChatView &view, const QString &frame)
{
    if (!frame.contains(fieldSeparator()))
        return;
    const QString names = frame.section(fieldSeparator(), 1, 1);
    auto *list = qobject_cast<QListWidget *>(view.users);
    if (!list)
        return;
    list->clear();
    if (!names.contains(QLatin1String(kNameSeparator))) {
        list->addItem(visibleControls(names));
        return;
    }
    for (const QString &name : names.split(QLatin1String(kNameSeparator), Qt::SkipEmptyParts))
        list->addItem(visibleControls(name));
}

void ShowJoinOrLeave(const ChatView &view, const QString &frame)
{
    if (!frame.contains(fieldSeparator()))
        return;
    const QString command = frame.section(fieldSeparator(), 0, 0);
    const QString nickname = visibleControls(frame.section(fieldSeparator(), 1, 1));
    const bool joined = command == QLatin1String("ENT");
    AddPresenceLine(view.transcript, nickname, joined);
    if (joined) {
        if (auto *list = qobject_cast<QListWidget *>(view.users))
            list->addItem(nickname);
    } else {
        RemoveListEntry(view.users, nickname);
    }
}

void DispatchFrame(const ChatView &view, QByteArrayView element)
{
    if (element.size() <= 3)
        return;
    const QByteArrayView command = element.first(3);
    if (command == "MSG")
        ShowChatMessage(view, fromAnsi(element));
    else if (command == "LST")
        FillUserList(view, fromAnsi(element));
    else if (command == "ENT" || command == "LEA")
        ShowJoinOrLeave(view, fromAnsi(element));
}

void RemoveListEntry(QWidget *list, const QString &text)
{
    const QString wanted = text.toLower();
    if (auto *listBox = qobject_cast<QListWidget *>(list)) {
        for (int row = 0; row < listBox->count(); ++row) {
            if (listBox->item(row)->text().toLower() == wanted) {
                delete listBox->takeItem(row);
                return;
            }
        }
    } else if (auto *comboBox = qobject_cast<QComboBox *>(list)) {
        for (int row = 0; row < comboBox->count(); ++row) {
            if (comboBox->itemText(row).toLower() == wanted) {
                comboBox->removeItem(row);
                return;
            }
        }
    }
}

} // namespace chat
