#include "chat/user_list.h"

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"
#include "irc/channel_mode.h"
#include "irc/irc_line.h"
#include "net/irc_commands.h"
#include "settings/keyword_filter.h"

namespace {
constexpr wchar_t users_label_format[] = L"Users (%d)";
constexpr unsigned list_dropped_down = 7;

bool is_channel_slot(int slot) {
    return slot >= first_channel_slot && slot <= last_channel_slot;
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

    const std::vector<std::string> entries = user_entries(chat);
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
            std::wstring text = text_from_utf8(entry);
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
    const std::string entry = utf8_text(name);
    // Marks beyond ASCII are not taken: one byte of a character must not
    // count as a mark.
    std::string marks;
    for (wchar_t mark : client.connection.features.prefix_marks())
        if (mark < 0x80) marks += static_cast<char>(mark);
    ChannelUsers::Listed listed;
    {
        std::lock_guard<std::mutex> guard(chat.lock);
        listed = chat.users.list(entry, marks);
    }
    // Listed as operator by the server: take the channel's operator controls
    // and protect its topic, once rather than for every NAMES reply repeating it.
    if (listed != ChannelUsers::Listed::added && listed != ChannelUsers::Listed::mark_changed) return;
    const std::wstring& own = client.connection.nickname;
    if (own.empty()) return;
    const std::wstring listed_name = name;
    const size_t mark_length = listed_name.find_first_not_of(text_from_utf8(marks));
    if (mark_length == std::wstring::npos) return;
    const bool operator_mark = listed_name.substr(0, mark_length).find(L'@') != std::wstring::npos;
    if (!operator_mark || listed_name.substr(mark_length) != own) return;
    apply_channel_mode(client, L"+o", slot, L"");
    send_command(client.server_socket, irc::mode_protect_topic, chat_name(client, slot));
}

void add_joined_user(ChatClient& client, int slot, const wchar_t* nickname) {
    if (!is_channel_slot(slot) || !nickname || !*nickname) return;
    ChatRecord& chat = client.chats[slot];
    if (!chat.in_use) return;
    const std::string wanted = utf8_text(nickname);
    std::lock_guard<std::mutex> guard(chat.lock);
    chat.users.join(wanted);
}

bool remove_user(const wchar_t* name, ChatClient& client, int slot) {
    if (!is_channel_slot(slot) || !name || !*name) return false;
    ChatRecord& chat = client.chats[slot];
    const std::string wanted = utf8_text(name);
    std::lock_guard<std::mutex> guard(chat.lock);
    return chat.users.remove(wanted);
}

bool rename_user(const wchar_t* old_name, const wchar_t* new_name, ChatClient& client, int slot) {
    if (!is_channel_slot(slot) || !old_name || !*old_name || !new_name || !*new_name) return false;
    ChatRecord& chat = client.chats[slot];
    const std::string wanted = utf8_text(old_name);
    const std::string replacement = utf8_text(new_name);
    std::lock_guard<std::mutex> guard(chat.lock);
    return chat.users.rename(wanted, replacement);
}

std::vector<std::string> user_entries(const ChatRecord& chat) {
    std::lock_guard<std::mutex> guard(chat.lock);
    return chat.users.entries();
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
