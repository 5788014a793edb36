#include "chat/chatstate.h"

namespace chat {

ChatState &chatState()
{
    static ChatState state;
    return state;
}

} // namespace chat
