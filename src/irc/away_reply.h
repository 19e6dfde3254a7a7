#pragma once
#include <string>

class ChatClient;

// Sends the away text back to a correspondent, as a private message. Every
// message is answered, except one identical to the last message answered for
// the same correspondent: two copies that both answer automatically would
// otherwise answer each other's answers for ever. True when it was sent.
bool send_away_reply(ChatClient& client, const std::wstring& correspondent, const std::wstring& message,
                     const std::wstring& away_text);
