#pragma once
#include <optional>
#include <string>

#include "controls/input_line.h"

class ChatClient;
struct ChatRecord;

// An encrypted line typed in a private chat goes sealed when a session
// holds; the first one offers a session and waits for the answer with it and
// any further lines; after a refusal or an unanswered wait, nothing (the
// caller sends the compatible way). Channels and plain lines: nothing.
// User-interface thread.
std::optional<InputOutcome> send_sealed_message(ChatClient& client, ChatRecord& chat, const std::wstring& target,
                                                const std::wstring& text, bool encrypted);

// An action ("/me" and its text) in a private chat whose session holds goes
// sealed and is echoed; false when no session holds (the caller sends it as
// CTCP ACTION). User-interface thread.
bool send_sealed_action(ChatClient& client, ChatRecord& chat, const std::wstring& action);

// Offers a session, as when encryption is switched on in a private chat.
void offer_sealed_chat(ChatClient& client, ChatRecord& chat);

// The lines that waited for the answer, sealed now. Any thread.
void send_held_sealed_lines(ChatClient& client, int slot, const std::wstring& nickname);

// The own address, sealed, answering a sealed correspondent's request when
// the chat shares it. Receive thread.
void send_sealed_address(ChatClient& client, int slot, unsigned generation, const std::wstring& nickname);
