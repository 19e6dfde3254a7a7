#pragma once
#include <string>

class ChatClient;
struct ChatView;

// A PRIVMSG text in a private chat, seen by the sealed sessions first: the
// handshake is answered, sealed messages are opened and shown ("[SEALED]",
// or the rejection), and while a session holds any other line is shown marked
// "[UNSEALED]" with a warning. True when the text was dealt with here; false
// leaves it to the ordinary handling. Receive thread.
bool take_sealed_privmsg(ChatClient& client, const ChatView& chat, const std::wstring& sender,
                         const std::wstring& text);
