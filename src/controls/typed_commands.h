#pragma once
#include <optional>
#include <string>
#include <vector>

#include "controls/input_line.h"

// Slash commands that act on the selected chat or a named correspondent
// (/me, /msg, /query, /notice, /nick, /away, /back, /topic, /part, /quit,
// /ctcp, /raw, /quote), matched by their whole word, letter case ignored.

// Texts they show in the selected chat.
constexpr wchar_t usage_format[] = L"Usage: %s";
constexpr wchar_t not_in_chat_text[] = L"Select a channel or a private chat first";
constexpr wchar_t not_in_channel_text[] = L"Select a channel first, or name one";
constexpr wchar_t cannot_open_chat_format[] = L"No private chat can be opened with %s";
constexpr wchar_t sent_elsewhere_format[] = L"-> [%s] %s";    // target, text
constexpr wchar_t notice_echo_format[] = L"-> -%s- %s";       // target, text
constexpr wchar_t ctcp_echo_format[] = L"-> [%s] CTCP %s";    // target, request
constexpr wchar_t default_away_text[] = L"Away";

// The line's handling when its first word is one of these commands; nothing
// when it is not (the fixed command table of slash_commands.h is next).
// User-interface thread, connected.
std::optional<InputOutcome> run_typed_command(ChatClient& client, const std::wstring& line);

// The first word of the line (up to its first space).
std::wstring command_word(const std::wstring& line);

// Every command word the input line knows, with its slash, for completion.
std::vector<std::wstring> known_command_words();
