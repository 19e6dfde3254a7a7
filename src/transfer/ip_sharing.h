#pragma once

class ChatClient;

// The request for a peer's address, sent by "Get IP" as a private message.
constexpr wchar_t ip_request_tag[] = L"[ZOVGIP01]";

// Enables "Send encrypted file" when the selected private chat has a password,
// a peer address, a compatible peer and a file chosen.
void update_send_file_button(ChatClient& client);

// Fills (or, with `clear`, empties) the identification box of the server tab.
void show_identification(ChatClient& client, bool clear);

// An incoming PRIVMSG text that may carry "[ZOVGIP01]" or "[ZOVUIP01]": acts on
// it and returns true when the text was such a request or answer (never shown),
// false when it is an ordinary message.
// `slot` and `generation` are the chat the message was shown in.
bool handle_ip_sharing_tag(ChatClient& client, int slot, unsigned generation, const wchar_t* sender,
                           const wchar_t* text);
