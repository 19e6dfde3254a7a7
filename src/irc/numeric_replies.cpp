#include "irc/numeric_replies.h"

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "irc/irc_line.h"

// Only the fallback exists so far: every numeric is shown as received.
void handle_numeric(ChatClient& client, const IrcLine& line, int) {
    append_chat_text(line.text.c_str(), client, 0, colour_server_text, colour_black, true);
}
