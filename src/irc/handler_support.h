#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

#include <vector>

#include "chat/palette.h"
#include "chat/format_runs.h"

class ChatClient;

// One coloured piece of a chat line.
struct TextPart {
    std::wstring text;
    COLORREF colour;
    COLORREF background = colour_black;
    std::vector<FormatRun> runs = {};
};

// A piece of text from another user, its formatting codes shown as formatting
// or, with the preference strip_formatting, taken out.
TextPart sender_text(const ChatClient& client, const std::wstring& text, COLORREF colour);

// Appends the pieces to the slot as one line (the last piece ends it). The
// pieces are handed over together (append_chat_line), so that a line typed
// meanwhile cannot land between them.
void append_line(ChatClient& client, int slot, std::initializer_list<TextPart> parts);

// The same for the chat a look-up found (ChatView's slot and generation): if
// that chat is closed and its slot reused before the line is written, the line
// is dropped rather than shown in the new chat.
void append_line(ChatClient& client, int slot, unsigned generation, std::initializer_list<TextPart> parts);

// The user's own nickname on this connection, compared as the server
// compares nicknames; an empty one (before the server has confirmed it)
// matches nothing.
bool is_own_nickname(const ChatClient& client, const wchar_t* nickname);

// The length the server lets nicknames have (NICKLEN), within what the
// program keeps.
size_t own_nickname_limit(const ChatClient& client);

// "[nickname]", the bracketed nickname part of many lines.
std::wstring bracketed(const std::wstring& nickname);
