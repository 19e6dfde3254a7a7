#pragma once
#include <windows.h>

#include <string>

class ChatClient;

// Texts the input line shows in a chat, white on red.
constexpr wchar_t invalid_command_text[] = L"Invalid IRC command";
constexpr wchar_t not_connected_text[] = L"Not connected to the IRC server";
constexpr wchar_t line_too_long_text[] = L"The line is too long to be sent";
constexpr wchar_t encryption_error_text[] = L"Encryption error.";
constexpr wchar_t encryption_error_caption[] = L"Encryption error";

// Typed while disconnected in a private chat: the correspondent is this machine.
constexpr wchar_t local_address_command[] = L"/iplocal";
constexpr wchar_t local_address[] = L"127.0.0.1";

// Own messages echoed into the chat: "[nick]" white on blue, then the text.
constexpr wchar_t own_nickname_format[] = L"[%s]";
constexpr wchar_t plain_echo_format[] = L" - %s";
constexpr wchar_t encrypted_echo_format[] = L" %s - %s";  // "[ENCRYPTED]", text
constexpr COLORREF colour_encrypted_echo = RGB(187, 231, 161);
// Own actions: "* nick waves", in the action colour or, encrypted, light green.
constexpr wchar_t action_echo_format[] = L"* %s %s";
constexpr wchar_t encrypted_action_echo_format[] = L"* %s %s %s";  // nick, "[ENCRYPTED]", text
// "\x01ACTION " and the closing "\x01" around an action's text.
constexpr size_t action_frame_length = 9;

// A slash command no table knows, shown in the selected chat.
constexpr wchar_t unknown_command_format[] = L"Unknown command %s";

// Every outgoing line must fit this many wide characters with its terminator.
constexpr size_t outgoing_line_capacity = 2048;

enum class InputOutcome {
    ignored,  // empty line
    command_sent,
    message_sent,
    encrypted_sent,
    invalid_command,   // shown in the server tab; nothing sent
    too_long,          // shown in the selected chat; nothing sent, text kept
    encryption_failed  // reported in a message box; nothing sent, text kept
};

// True when the line is done with and the input line may be emptied; a line
// refused for its length or a failed encryption stays for the user to fix.
inline bool clears_input(InputOutcome outcome) {
    return outcome != InputOutcome::too_long && outcome != InputOutcome::encryption_failed;
}

// A submitted line while the server connection is up: a slash command becomes
// its IRC command; other text goes to the selected chat as PRIVMSG, encrypted
// when the chat has encryption on and a password, and is echoed there.
// User-interface thread.
InputOutcome process_input_line(ChatClient& client, const wchar_t* line);

// Sends text to the chat in `slot` as one or more messages (actions with
// `action`), encrypted when that chat has encryption on and a password, and
// echoes each part there. User-interface thread.
InputOutcome send_to_chat(ChatClient& client, int slot, const std::wstring& text, bool action);

// The same for a text meant for `chat`, whichever is selected (a line held
// for a sealed session's answer goes out this way once the wait is over).
struct ChatRecord;
InputOutcome send_text_to_chat(ChatClient& client, ChatRecord& chat, const std::wstring& text);

// A submitted text of several lines (a paste) while the server connection is
// up: each line that is not empty goes to the selected chat as a message of
// its own, in order, as the send queue paces them. A line starting with "/" is
// sent as text: pasted text never runs commands. A line refused (too long, not
// encrypted) stops there; it and the lines after it are left in `rest`.
// User-interface thread.
InputOutcome process_pasted_lines(ChatClient& client, const std::wstring& text, std::wstring& rest);

// True when the text holds a line break.
bool has_line_breaks(const std::wstring& text);

// A submitted line while disconnected: only "/iplocal" in a private chat does
// something; anything else shows "Not connected to the IRC server".
void process_offline_line(ChatClient& client, const wchar_t* line);
