// Replies about users: USERHOST (302), ISON (303) and USERIP (340).

#include <mutex>
#include <string>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"
#include "dialogs/nicknames_favorites_dialog.h"
#include "irc/chat_view.h"
#include "irc/irc_line.h"
#include "irc/numeric_handlers.h"
#include "irc/numeric_replies.h"
#include "irc/sounds.h"
#include "mainwindow/main_window.h"
#include "net/session.h"
#include "transfer/public_ip.h"

namespace {
constexpr const char* online_title = "Nicknames online";
constexpr const char* online_text = "Some favorite nicknames are now online.";
constexpr Tone online_tone{450, 20};

// One entry of a USERHOST or USERIP reply, "nick=+user@host" (the first one
// keeps the colon of the trailing parameter in front).
struct ReplyEntry {
    std::wstring nickname;
    wchar_t state = 0;  // '+' here, '-' away
    std::wstring user_host;
};

bool parse_reply_entry(const std::wstring& token, ReplyEntry& entry) {
    const size_t equals = token.find(L'=');
    if (token.size() < 2 || equals == std::wstring::npos || equals == 0) return false;
    entry.nickname = token.substr(1, equals - 1);
    // An IRC operator's nickname carries a '*' before the '='.
    if (!entry.nickname.empty() && entry.nickname.back() == L'*') entry.nickname.pop_back();
    if (entry.nickname.empty() || equals + 1 >= token.size()) return false;
    entry.state = token[equals + 1];
    entry.user_host = token.substr(equals + 2);
    return true;
}
}  // namespace

void handle_userhost_reply(ChatClient& client, const IrcLine& line) {
    ReplyEntry entry;
    if (!parse_reply_entry(line.token(3), entry)) return;
    const ChatView chat = view_chat(client, entry.nickname);
    if (!chat.found() || entry.state != L'+') return;  // '-': away
    std::wstring user_host = entry.user_host;
    // The server marks a user name it could not verify with '~'.
    if (!user_host.empty() && user_host[0] == L'~') user_host.erase(0, 1);
    set_user_host(client, chat.slot, chat.generation, user_host.c_str());
}

namespace {
// The latest ISON reply on its way to the user-interface thread: each reply
// answers the whole list of favourites, so a newer one replaces an older one
// still waiting, and a flood of replies costs one task.
struct LatestIson {
    std::mutex lock;
    std::vector<std::wstring> names;
    unsigned session = 0;
    bool on_its_way = false;
};

LatestIson& latest_ison() {
    static LatestIson latest;
    return latest;
}

void mark_online(ChatClient& client) {
    std::vector<std::wstring> names;
    unsigned session = 0;
    {
        LatestIson& latest = latest_ison();
        std::lock_guard<std::mutex> guard(latest.lock);
        names.swap(latest.names);
        session = latest.session;
        latest.on_its_way = false;
    }
    if (session_is_replaced(session)) return;
    int count = 0;
    for (const std::wstring& name : names)
        for (int number = 1; number <= favorite_nickname_count; ++number)
            if (name == client.favorite_nicknames[number].nickname) {
                client.favorite_nicknames[number].online = true;
                ++count;
            }
    favorites_online_notice(client, count);
}
}  // namespace

void handle_ison_reply(ChatClient& client, const IrcLine& line) {
    std::vector<std::wstring> names;
    for (size_t index = 3; index < line.tokens.size(); ++index) {
        std::wstring name = index == 3 ? line.token(3).substr(line.token(3).empty() ? 0 : 1) : line.token(index);
        name = cut_text(name, nickname_capacity - 1);
        if (!name.empty()) names.push_back(std::move(name));
    }
    // The flags and the preferences belong to the user-interface thread (the
    // favourites dialog and the settings loader use them there).
    {
        LatestIson& latest = latest_ison();
        std::lock_guard<std::mutex> guard(latest.lock);
        latest.names.swap(names);
        latest.session = thread_session();
        if (latest.on_its_way) return;
        latest.on_its_way = true;
    }
    // `always`: the one task on its way must come, or no reply would follow;
    // it checks the session itself.
    post_ui_task(client, [&client] { mark_online(client); }, TaskKind::always);
}

void favorites_online_notice(ChatClient& client, int count) {
    // The open dialog shows who is online itself.
    if (refresh_open_favorites_dialog(client)) return;
    if (count == 0) {
        if (client.nicknames_online_button) EnableWindow(client.nicknames_online_button, FALSE);
        return;
    }
    if (client.nicknames_online_button) EnableWindow(client.nicknames_online_button, TRUE);
    show_status_notice(online_title, online_text);
    if (client.enable_sounds_app) play_tone(online_tone);
}

void handle_userip_reply(ChatClient& client, const IrcLine& line) {
    ReplyEntry entry;
    if (!parse_reply_entry(line.token(3), entry)) return;
    const size_t at = entry.user_host.find(L'@');
    if (at == std::wstring::npos) return;
    const std::wstring address = entry.user_host.substr(at + 1);
    // Only the reply about the user's own nickname, exactly, is the user's address.
    if (client.connection.nickname == entry.nickname) store_public_ip(client, address);
}
