#pragma once
#include "chat/protocol.h"

#include <QString>

namespace chat {

// The chat state shared by the Live Help window, the frames and the transcript writers. It lives
// as long as the program: the receive buffer keeps an unfinished frame across arrivals,
// connections, and closing and opening the Live Help window again.
struct ChatState {
    QString CurrentNickname; // the nickname of the current connection; empty until the first connect
    bool ConnectionLost = false; // set when the server closed or the socket failed; enables Esc
    FrameReassembler ReceiveBuffer;
};

ChatState &chatState();

} // namespace chat
