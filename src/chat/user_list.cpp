#include "chat/user_list.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"
#include "irc/channel_mode.h"
#include "irc/irc_line.h"
#include "net/irc_commands.h"
#include "settings/keyword_filter.h"

namespace {
constexpr wchar_t users_label_format[] = L"Users (%d)";
constexpr unsigned list_dropped_down = 7;
// NAMES marks operators and voiced users in front of the nickname.
constexpr char operator_mark = '@';
constexpr char voice_mark = '+';

bool is_channel_slot(int slot) {
    return slot >= first_channel_slot && slot <= last_channel_slot;
}

// The entry for a nickname: the plain name first, then "@name", then "+name".
std::vector<std::string>::iterator find_entry(std::vector<std::string>& users, const std::string& name) {
    for (const std::string& candidate : {name, operator_mark + name, voice_mark + name}) {
        auto found = std::find(users.begin(), users.end(), candidate);
        if (found != users.end()) return found;
    }
    return users.end();
}

// Only ASCII letters change, as with the C locale's toupper.
std::string upper_ascii(std::string text) {
    for (char& ch : text)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    return text;
}

bool matches_any(const std::string& entry, const std::vector<std::string>& upper_keywords) {
    const std::string upper_entry = upper_ascii(entry);
    for (const std::string& keyword : upper_keywords)
        if (upper_entry.find(keyword) != std::string::npos) return true;
    return false;
}

void rebuild_user_list(ChatClient& client, int slot) {
    ChatRecord& chat = client.chats[slot];
    if (!chat.in_use) return;
    const bool selected = client.current_chat == &chat;
    // The open list stays as it is under the user's pointer.
    if (selected && chat.user_list_state == list_dropped_down) return;

    std::vector<std::string> entries;
    {
        std::lock_guard<std::mutex> guard(chat.lock);
        std::sort(chat.users.begin(), chat.users.end());
        entries = chat.users;
    }
    std::vector<std::string> keywords;
    if (chat.filter_users)
        for (const std::string& keyword : filter_keywords_copy(client)) keywords.push_back(upper_ascii(keyword));

    HWND list = chat.user_list;
    if (list) {
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list, CB_RESETCONTENT, 0, 0);
    }
    int shown = 0;
    for (const std::string& entry : entries) {
        if (!keywords.empty() && !matches_any(entry, keywords)) continue;
        if (list) {
            std::wstring text = wide_text(entry, CP_ACP);
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        ++shown;
    }
    if (list) SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    if (selected && client.users_label)
        SetWindowTextW(client.users_label, format_text(users_label_format, shown).c_str());
}
}  // namespace

void add_user(ChatClient& client, int slot, const wchar_t* name) {
    if (!is_channel_slot(slot) || !name || !*name) return;
    ChatRecord& chat = client.chats[slot];
    if (!chat.in_use) return;
    std::string entry = narrow_text(name, CP_ACP);
    if (entry.empty()) return;
    {
        std::lock_guard<std::mutex> guard(chat.lock);
        chat.users.push_back(entry);
    }
    // Listed as operator by the server: take the channel's operator controls
    // and protect its topic. Happens for every NAMES reply that says so.
    const std::wstring& own = client.connection.nickname;
    if (own.empty()) return;
    std::wstring marked = cut_text(L"@" + own, nickname_capacity - 1);
    if (marked != name) return;
    apply_channel_mode(client, L"+o", slot, L"");
    send_command(client.server_socket, irc::mode_protect_topic, chat_name(client, slot));
}

bool remove_user(const wchar_t* name, ChatClient& client, int slot) {
    if (!is_channel_slot(slot) || !name || !*name) return false;
    ChatRecord& chat = client.chats[slot];
    std::string wanted = narrow_text(name, CP_ACP);
    std::lock_guard<std::mutex> guard(chat.lock);
    auto found = find_entry(chat.users, wanted);
    if (found == chat.users.end()) return false;
    chat.users.erase(found);
    return true;
}

bool rename_user(const wchar_t* old_name, const wchar_t* new_name, ChatClient& client, int slot) {
    if (!is_channel_slot(slot) || !old_name || !*old_name || !new_name || !*new_name) return false;
    ChatRecord& chat = client.chats[slot];
    std::string wanted = narrow_text(old_name, CP_ACP);
    std::string replacement = narrow_text(new_name, CP_ACP);
    std::lock_guard<std::mutex> guard(chat.lock);
    auto found = find_entry(chat.users, wanted);
    if (found == chat.users.end()) return false;
    // The '@' or '+' is not carried over: the list learns it again at the next NAMES.
    *found = replacement;
    return true;
}

void refresh_user_list(ChatClient& client, int slot) {
    if (!is_channel_slot(slot)) return;
    ChatRecord& chat = client.chats[slot];
    // One rebuild however many lines asked for one before it ran: a burst of
    // NAMES lines must not rebuild the whole list once per line.
    if (chat.user_list_refresh_pending.exchange(true)) return;
    post_chat_task(
        client, slot, chat.generation,
        [&client, slot](ChatRecord& record) {
            record.user_list_refresh_pending = false;
            rebuild_user_list(client, slot);
        },
        TaskKind::always);
}
