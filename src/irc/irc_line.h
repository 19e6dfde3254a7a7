#pragma once
#include <string>
#include <vector>

#include "app/wire_text.h"
#include "irc/message_tags.h"

// One received line split at every single space (empty tokens kept). Handlers
// read parameters by position; a token past the end reads as empty text.
struct IrcLine {
    std::wstring text;
    std::vector<std::wstring> tokens;
    // How the line's bytes were read: a line read as UTF-8 is never "repaired".
    TextForm form = TextForm::code_page;
    // The tags in front of the line; `text` and `tokens` are the line without them.
    MessageTags tags;
    // When the server said it (its server-time tag), ms since 1970 UTC; 0 = now.
    long long server_time = 0;

    const std::wstring& token(size_t index) const;
    // The rest of the line from one character after the start of token k
    // (that first character, normally ':', is skipped whatever it is).
    std::wstring text_after_token(size_t k) const;
    // The rest of the line from the start of token k, nothing skipped.
    std::wstring text_from_token(size_t k) const;
    // Offset in `text` where token k starts (may be past the end).
    size_t token_start(size_t k) const;
};

// Splits `text`; false for an empty line, one too long, or one with no space.
bool split_tokens(const std::wstring& text, IrcLine& line);

class ChatClient;

// Routes one received line to its handler; runs on the receive thread.
void dispatch_line(ChatClient& client, const std::wstring& text, TextForm form = TextForm::code_page);
// The same for a line already split (one a batch held back).
void dispatch_parsed_line(ChatClient& client, const IrcLine& line);

// Longest sender nickname taken from a line; the rest is cut.
constexpr size_t sender_nickname_limit = 1023;

// Sender of JOIN, PART, KICK, MODE, NICK and QUIT: token 0 from its second
// character up to its first '!'. False when token 0 holds no '!' (a server's
// own line) or nothing before it; those commands ignore such lines.
bool line_sender_nickname(const IrcLine& line, std::wstring& nickname);

// Sender of PRIVMSG and NOTICE: token 0 without its first character, cut at
// its first '!' when it has one.
std::wstring prefix_sender_nickname(const IrcLine& line);

// Case-sensitive: does `text` begin with `keyword`?
bool begins_with(const std::wstring& text, const wchar_t* keyword);

// `text` cut to at most `limit` characters.
std::wstring cut_text(std::wstring text, size_t limit);
