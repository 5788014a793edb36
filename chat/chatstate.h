#pragma once
#include <QString>

namespace chat {

// The chat state shared by the Live Help window, the frames and the transcript writers.
struct ChatState {
    QString CurrentNickname; // the nickname of the current connection; empty until the first connect
    bool ConnectionLost = false; // set when the server closed or the socket failed; enables Esc
};

ChatState &chatState();

} // namespace chat
