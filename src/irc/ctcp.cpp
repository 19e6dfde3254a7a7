#include "irc/ctcp.h"

#include <windows.h>

#include <atomic>
#include <cwchar>
#include <cwctype>
#include <mutex>
#include <optional>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "connection/receive_loop.h"
#include "controls/message_split.h"
#include "net/irc_commands.h"
#include "quillmere_version.h"

namespace {
constexpr wchar_t ctcp_frame = 0x01;
constexpr size_t ctcp_frame_bytes = 3;  // "\x01", the space after the request, "\x01"
constexpr wchar_t time_format[] = L"%04d-%02d-%02d %02d:%02d:%02d";

double tick_seconds() { return static_cast<double>(GetTickCount64()) / 1000.0; }

std::atomic<double (*)()> ctcp_clock{tick_seconds};
std::mutex limit_lock;
bool answered_before = false;
double last_answer = 0;

// True (and the time noted) when an answer may go out now.
bool may_answer() {
    const double now = ctcp_clock.load()();
    std::lock_guard<std::mutex> guard(limit_lock);
    if (answered_before && now - last_answer < ctcp_answer_interval) return false;
    answered_before = true;
    last_answer = now;
    return true;
}

// The request word as shown: control characters (formatting codes, a
// sender's tricks) left out, and cut.
std::wstring shown_word(const std::wstring& word) {
    std::wstring shown;
    for (wchar_t c : word)
        if (c >= 0x20 && shown.size() < ctcp_word_limit) shown += c;
    return shown;
}

std::wstring local_time_text() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t text[32];
    swprintf(text, sizeof text / sizeof *text, time_format, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    return text;
}

// The answer to a request this program answers; nothing for any other.
std::optional<std::wstring> answer_to(const ChatClient& client, const Ctcp& request) {
    if (request.command == L"VERSION" && client.answer_ctcp_version)
        return format_text(ctcp_version_format, wide_text(QUILLMERE_VERSION_TEXT, CP_ACP));
    if (request.command == L"PING") return request.argument;
    if (request.command == L"TIME") return local_time_text();
    if (request.command == L"CLIENTINFO") return ctcp_client_info;
    return std::nullopt;
}

// The answer cut so that the notice, as the server relays it with our
// prefix, fits one IRC line: a peer's long PING argument must not make us
// send a line the server cuts or punishes. False when not even the frame fits
// (a sender with an absurdly long nickname).
bool fit_answer(const ChatClient& client, const std::wstring& sender, const std::wstring& command,
                std::wstring& answer) {
    const size_t room = message_room(client.connection.nickname.get(), registration_username(client), sender);
    const size_t frame = wire_bytes(command.c_str()).size() + ctcp_frame_bytes;
    if (room < frame) return false;
    if (answer.empty()) return true;
    const std::vector<std::wstring> parts = split_message(answer, room - frame, CP_ACP);
    if (parts.empty()) return false;
    answer = parts.front();
    return true;
}
}  // namespace

Ctcp parse_ctcp(const std::wstring& text) {
    Ctcp ctcp;
    if (text.empty() || text[0] != ctcp_frame) return ctcp;
    ctcp.framed = true;
    std::wstring body = text.substr(1);
    const size_t end = body.find(ctcp_frame);
    if (end != std::wstring::npos) body.resize(end);
    const size_t space = body.find(L' ');
    ctcp.command = body.substr(0, space);
    for (wchar_t& c : ctcp.command) c = static_cast<wchar_t>(std::towupper(c));
    if (space != std::wstring::npos) ctcp.argument = body.substr(space + 1);
    return ctcp;
}

void handle_ctcp_request(ChatClient& client, const std::wstring& sender, const Ctcp& request) {
    const std::optional<std::wstring> answer = answer_to(client, request);
    if (!answer) {
        append_server_line(client, format_text(ctcp_asked_format, sender, shown_word(request.command)));
        return;
    }
    std::wstring fitted = *answer;
    // A flood of requests must not fill the queue ahead of the user's lines.
    if (!fit_answer(client, sender, request.command, fitted) || !can_spare_line(client.server_socket) ||
        !may_answer())
        return;
    if (fitted.empty())
        send_command(client.server_socket, irc::ctcp_bare_answer, sender, request.command);
    else
        send_command(client.server_socket, irc::ctcp_answer, sender, request.command, fitted);
}

std::wstring notice_text(const std::wstring& text) {
    const Ctcp answer = parse_ctcp(text);
    if (!answer.framed) return text;
    return format_text(ctcp_answer_format, shown_word(answer.command), answer.argument);
}

void set_ctcp_clock(double (*clock)()) {
    ctcp_clock = clock ? clock : tick_seconds;
}

void reset_ctcp_limit() {
    std::lock_guard<std::mutex> guard(limit_lock);
    answered_before = false;
}
