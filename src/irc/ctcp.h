#pragma once
#include <string>

class ChatClient;

// Client-to-client requests: a PRIVMSG or NOTICE whose text is framed by
// \x01, "\x01COMMAND argument\x01". ACTION is shown as "* nick text";
// VERSION, PING, TIME and CLIENTINFO are answered with a NOTICE cut to one
// line, at most one answer every ctcp_answer_interval seconds for all senders
// together and only while the send queue can spare it (the rest are dropped, so
// a flood of requests neither costs the connection nor holds up the user's
// lines); every other request is shown as one line.

constexpr double ctcp_answer_interval = 2.0;
constexpr wchar_t ctcp_version_format[] = L"Quillmere %s (Windows)";
constexpr wchar_t ctcp_client_info[] = L"ACTION CLIENTINFO PING TIME VERSION";
constexpr wchar_t ctcp_asked_format[] = L"%s asked CTCP %s";  // sender, request
constexpr wchar_t ctcp_answer_format[] = L"CTCP %s %s";       // request, answer, in a notice
constexpr wchar_t action_line_format[] = L"* %s";             // sender; the text follows
constexpr size_t ctcp_word_limit = 32;

struct Ctcp {
    bool framed = false;
    std::wstring command;   // upper case
    std::wstring argument;  // everything after its first space

    bool is_action() const { return framed && command == L"ACTION"; }
};

// The request in a message's text; `framed` false when the text is no request.
Ctcp parse_ctcp(const std::wstring& text);

// A request other than ACTION: answered or shown in the server tab. Receive
// thread.
void handle_ctcp_request(ChatClient& client, const std::wstring& sender, const Ctcp& request);

// A notice's text as shown: an answer to a request loses its framing.
std::wstring notice_text(const std::wstring& text);

// The clock the answer limit reads, in seconds (the tick count unless
// replaced; nullptr puts it back), and a fresh start of the limit.
void set_ctcp_clock(double (*clock)());
void reset_ctcp_limit();
