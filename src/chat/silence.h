#pragma once
#include <string>

class ChatClient;
struct IrcLine;

// Asks the server to stop (on) or resume (off) delivering a nickname's
// messages, and confirms it in the status bar. Sends the nickname unchanged.
void set_silence(ChatClient& client, const wchar_t* nickname, bool on);

// "Silence ALL but": while a nickname is set, channel messages from everybody
// else are dropped. Any choice while it is set turns it off.
void toggle_silence_all_but(ChatClient& client, const wchar_t* nickname);

// The nickname of the filter (empty = off). Readers get a whole copy, never a
// half-written name.
std::wstring silence_all_but_nickname(const ChatClient& client);

// Whether the channel filter drops a message from `sender` (letter case ignored).
bool silenced_by_filter(const ChatClient& client, const std::wstring& sender);

// The server's confirmation "SILENCE +nick!user@host" (no prefix), shown in
// the selected chat.
void handle_silence_notice(ChatClient& client, const IrcLine& line);

// Equal ignoring letter case.
bool equal_ignoring_case(const std::wstring& a, const std::wstring& b);
