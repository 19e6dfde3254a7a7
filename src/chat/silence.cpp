#include "chat/silence.h"

#include <windows.h>

#include <mutex>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "irc/chat_view.h"
#include "irc/irc_line.h"
#include "mainwindow/main_window.h"
#include "net/irc_commands.h"

namespace {
// silence_all_but is written on the user-interface thread and read on the
// receive thread for every channel message.
std::mutex silence_lock;

namespace notice {
constexpr wchar_t on_title[] = L"Silence ON";
constexpr wchar_t on_text[] = L"Don't allow to receive messages from ";
constexpr wchar_t off_title[] = L"Silence OFF";
constexpr wchar_t off_text[] = L"Allow to receive messages from ";
constexpr wchar_t all_off_title[] = L"Silence ALL OFF";
constexpr wchar_t all_off_text[] = L"Allow to receive messages from all";
constexpr wchar_t all_on_title[] = L"Silence ALL ON";
constexpr wchar_t all_on_text[] = L"Only allow to receive messages from ";
}  // namespace notice

namespace confirmation {
constexpr wchar_t lead[] = L"Messages from ";
constexpr wchar_t nickname[] = L"[%s]";
constexpr wchar_t wording[] = L" %s";
constexpr wchar_t shown[] = L"will be displayed";
constexpr wchar_t hidden[] = L"will not be displayed";
// "SILENCE " then the sign at 8, the nickname from 9.
constexpr size_t sign_position = 8;
constexpr size_t nickname_position = 9;
}  // namespace confirmation

void show_notice(const wchar_t* title, const std::wstring& text) {
    show_status_notice(std::wstring(title), text);
}
}  // namespace

void set_silence(ChatClient& client, const wchar_t* nickname, bool on) {
    const wchar_t* name = nickname ? nickname : L"";
    send_command(client.server_socket, irc::silence_mask, on ? L"+" : L"-", name);
    if (on)
        show_notice(notice::on_title, std::wstring(notice::on_text) + name);
    else
        show_notice(notice::off_title, std::wstring(notice::off_text) + name);
}

void toggle_silence_all_but(ChatClient& client, const wchar_t* nickname) {
    const wchar_t* name = nickname ? nickname : L"";
    bool was_on;
    std::wstring chosen;
    {
        std::lock_guard<std::mutex> hold(silence_lock);
        was_on = client.silence_all_but[0] != 0;
        // Switching on needs somebody to keep listening to.
        if (!was_on && !*name) return;
        if (was_on) {
            client.silence_all_but[0] = 0;
        } else {
            copy_text(client.silence_all_but, name);
            chosen = client.silence_all_but;
        }
    }
    if (was_on)
        show_notice(notice::all_off_title, notice::all_off_text);
    else
        show_notice(notice::all_on_title, std::wstring(notice::all_on_text) + chosen);
}

std::wstring silence_all_but_nickname(const ChatClient& client) {
    std::lock_guard<std::mutex> hold(silence_lock);
    return client.silence_all_but;
}

bool silenced_by_filter(const ChatClient& client, const std::wstring& sender) {
    std::wstring allowed = silence_all_but_nickname(client);
    return !allowed.empty() && !equal_ignoring_case(allowed, sender);
}

void handle_silence_notice(ChatClient& client, const IrcLine& line) {
    using namespace confirmation;
    size_t bang = line.text.find(L'!');
    // No mask, or no nickname before it: nothing to confirm.
    if (bang == std::wstring::npos || bang <= nickname_position) return;
    std::wstring nickname = cut_text(line.text.substr(nickname_position, bang - nickname_position), sender_nickname_limit);
    const wchar_t* words = line.text[sign_position] == L'-' ? shown : hidden;
    int slot = selected_slot(client);
    append_chat_text(lead, client, slot, colour_event, colour_black, false);
    append_chat_text(format_text(confirmation::nickname, nickname).c_str(), client, slot, colour_nick, colour_black,
                     false);
    append_chat_text(format_text(wording, words).c_str(), client, slot, colour_event, colour_black, true);
}

bool equal_ignoring_case(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    if (a.empty()) return true;
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}
