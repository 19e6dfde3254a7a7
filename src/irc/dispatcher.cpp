#include <climits>
#include <cstdio>
#include <exception>

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/line_time.h"
#include "chat/palette.h"
#include "chat/silence.h"
#include "irc/batches.h"
#include "irc/capabilities.h"
#include "irc/command_handlers.h"
#include "irc/irc_line.h"
#include "irc/playback.h"
#include "irc/sasl_login.h"
#include "irc/numeric_replies.h"

namespace {
using Handler = void (*)(ChatClient&, const IrcLine&);

// Command words recognised in token 1, in the order they are tried. A token
// that merely begins with a keyword matches it too.
struct CommandRule {
    const wchar_t* keyword;
    Handler handler;
};
constexpr CommandRule first_rules[] = {
    {L"PRIVMSG", handle_privmsg}, {L"NOTICE", handle_notice}, {L"JOIN", handle_join}, {L"PART", handle_part},
    {L"KICK", handle_kick},       {L"MODE", handle_mode},     {L"NICK", handle_nick},
};
constexpr CommandRule later_rules[] = {
    {L"TOPIC", handle_topic}, {L"QUIT", handle_quit},     {L"CAP", handle_cap},
    {L"AWAY", handle_away},   {L"ACCOUNT", handle_account}, {L"BATCH", handle_batch},
    {L"AUTHENTICATE", handle_authenticate},
};

constexpr wchar_t silence_word[] = L"SILENCE";  // token 0, prefix-less
constexpr wchar_t ping_word[] = L"PING";        // token 0, prefix-less
constexpr wchar_t error_start[] = L"ERROR :";   // the line itself
constexpr wchar_t authenticate_word[] = L"AUTHENTICATE";  // token 0, prefix-less
constexpr wchar_t time_tag[] = L"time";

bool all_digits(const std::wstring& token) {
    for (wchar_t ch : token)
        if (ch < L'0' || ch > L'9') return false;
    return true;
}

// Numerics have three digits; a longer run of digits is some number no
// handler knows, kept from overflowing.
int numeric_value(const std::wstring& token) {
    int value = 0;
    for (wchar_t ch : token) {
        if (value > (INT_MAX - 9) / 10) return INT_MAX;
        value = value * 10 + (ch - L'0');
    }
    return value;
}

bool try_rules(ChatClient& client, const IrcLine& line, const CommandRule* begin, const CommandRule* end) {
    for (const CommandRule* rule = begin; rule != end; ++rule) {
        if (begins_with(line.token(1), rule->keyword)) {
            rule->handler(client, line);
            return true;
        }
    }
    return false;
}

void route(ChatClient& client, const IrcLine& line) {
    if (try_rules(client, line, std::begin(first_rules), std::end(first_rules))) return;
    if (begins_with(line.token(0), silence_word)) {
        handle_silence_notice(client, line);
        return;
    }
    if (try_rules(client, line, std::begin(later_rules), std::end(later_rules))) return;
    if (begins_with(line.token(0), ping_word)) {
        handle_ping(client, line);
        return;
    }
    if (line.token(0) == authenticate_word) {
        handle_authenticate(client, line);
        return;
    }
    if (begins_with(line.text, error_start)) {
        handle_error(client, line);
        return;
    }
    if (all_digits(line.token(1))) {
        handle_numeric(client, line, numeric_value(line.token(1)));
        return;
    }
    show_raw_line(client, line);
}
}  // namespace

void show_raw_line(ChatClient& client, const IrcLine& line) {
    append_chat_text(line.text.c_str(), client, 0, colour_server_text, colour_black, true);
}

void dispatch_parsed_line(ChatClient& client, const IrcLine& line) {
    if (hold_for_batch(client, line)) return;
    note_line_time(client.connection.receive, line);
    // Text the handlers queue carries the time the server gave the line.
    LineTimeScope time(line.server_time);
    route(client, line);
}

void dispatch_line(ChatClient& client, const std::wstring& text, TextForm form) {
    // Each thread keeps one line's storage for its next line (a flood's lines
    // then allocate no tokens); a line dispatched from inside a handler gets
    // its own.
    thread_local IrcLine kept;
    thread_local bool kept_in_use = false;
    IrcLine own;
    const bool reuse = !kept_in_use;
    IrcLine& line = reuse ? kept : own;
    struct Release {
        bool reuse;
        ~Release() {
            if (!reuse) return;
            kept_in_use = false;
            // What a hostile line of spaces made is not kept for good.
            if (kept.tokens.capacity() > 1024) std::vector<std::wstring>().swap(kept.tokens);
        }
    } release{reuse};
    kept_in_use = true;
    line.form = form;
    line.server_time = 0;
    // A hostile line can be made of millions of spaces; if its tokens do not
    // fit in memory the line is dropped rather than the receive thread lost.
    try {
        bool split = false;
        if (!text.empty() && text[0] == L'@')
            split = split_tokens(take_message_tags(text, line.tags), line);
        else {
            line.tags.clear();
            split = split_tokens(text, line);
        }
        if (!split || line.tokens.size() < 2) return;
        if (const std::wstring* time = find_tag(line.tags, time_tag)) line.server_time = parse_server_time(*time);
        dispatch_parsed_line(client, line);
    } catch (const std::exception& error) {
        std::printf("Line dropped: %s\n", error.what());
    }
}
