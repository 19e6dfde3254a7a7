#pragma once
#include <string>

class ChatClient;

// Looks for the first web link in a message line just shown in `slot` and
// opens or downloads it as the link preferences say. `line` may be cut in
// place. Called by the PRIVMSG handler on the receive thread when the chat's
// process_links switch is on.
void process_link(ChatClient& client, int slot, std::wstring& line);
