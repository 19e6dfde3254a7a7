// The buttons beside and below the chat buffer, and the channel's user list.

#include <cstring>
#include <string>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/silence.h"
#include "chat/user_list.h"
#include "controls/sealed_send.h"
#include "mainwindow/chat_command_parts.h"
#include "mainwindow/command_texts.h"
#include "mainwindow/main_window.h"
#include "mainwindow/sealed_banner.h"
#include "mainwindow/window_helpers.h"
#include "net/irc_commands.h"

namespace {
// The drop-down's states while the user looks at it (kept for the list's
// refreshes, which must not disturb an open list).
constexpr unsigned list_dropped_down = 7;
constexpr unsigned list_closed_up = 8;

// A name is copied before its tab goes: closing may reuse the slot.
constexpr size_t closed_name_limit = channel_name_capacity - 1;

// Scan code of Enter in a key message's lParam, with a repeat count of 1.
constexpr LPARAM enter_key_data = 0x001C0001;

bool checked(HWND box) {
    return box && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
}  // namespace

std::wstring selected_user(const ChatRecord& channel) {
    if (!channel.user_list) return {};
    const LRESULT index = SendMessageW(channel.user_list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    const LRESULT length = SendMessageW(channel.user_list, CB_GETLBTEXTLEN, index, 0);
    if (length <= 0) return {};
    std::wstring entry(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(channel.user_list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&entry[0]));
    entry.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    if (!entry.empty() && (entry[0] == L'@' || entry[0] == L'+')) entry.erase(0, 1);
    return entry;
}

// The user's own nickname and every nickname that begins with it (letter case
// counts): such users are never kicked or voiced from the list.
bool is_own_nickname(ChatClient& client, const std::wstring& nickname) {
    const std::wstring own = client.connection.nickname.get();
    return nickname.compare(0, own.size(), own) == 0;
}

void close_selected_tab(ChatClient& client, ChatRecord& chat) {
    std::wstring name = chat_name(client, chat.slot);
    if (name.size() > closed_name_limit) name.resize(closed_name_limit);
    const bool channel = chat.is_channel;
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(tab_button_id(0), BN_CLICKED), 0);
    if (channel) send_command(client.server_socket, irc::part, name);
    close_chat(client, name.c_str());
}

void private_chat_with_selected_user(ChatClient& client, ChatRecord& channel) {
    const std::wstring user = selected_user(channel);
    if (!user.empty()) open_private_chat(client, user.c_str(), true);
}

void kick_selected_user(ChatClient& client, ChatRecord& channel) {
    const std::wstring user = selected_user(channel);
    if (user.empty() || is_own_nickname(client, user)) return;
    const std::wstring name = chat_name(client, channel.slot);
    // The ban follows only a kick that went out: both lines name the same user.
    if (send_command(client.server_socket, irc::kick, name, user))
        send_command(client.server_socket, irc::ban, name, user);
}

void voice_selected_user(ChatClient& client, ChatRecord& channel, bool on) {
    const std::wstring user = selected_user(channel);
    if (user.empty() || is_own_nickname(client, user)) return;
    const char* tail = on ? command_text::voice_on_tail : command_text::voice_off_tail;
    const std::wstring text = wide_text(command_text::voice_text_lead, strlen(command_text::voice_text_lead),
                                        CP_THREAD_ACP) + user + wide_text(tail, strlen(tail), CP_THREAD_ACP);
    show_status_notice(on ? command_text::voice_on_title : command_text::voice_off_title, text);
    send_command(client.server_socket, irc::mode_with_argument, chat_name(client, channel.slot), on ? L"+v" : L"-v",
                 user);
}

void flip_encryption(ChatClient& client, ChatRecord& chat) {
    const bool on = !chat.encrypt_messages;
    chat.encrypt_messages = on;
    set_check(client.encrypt_check, on);
    enable_control(client.lock_icon, on);
    show_control(client.encrypt_banner, on);
    show_control(client.encrypted_text_edit, on);
    if (on) offer_sealed_chat(client, chat);
    show_sealed_standing(client);
}

void apply_user_filter(ChatClient& client, ChatRecord& channel) {
    channel.filter_users = checked(client.filter_users_check);
    refresh_user_list(client, channel.slot);
}

void send_input_line(ChatClient& client) {
    if (!client.input_window) return;
    SetFocus(client.input_window);
    // As if the user pressed Enter: the message loop turns the key into the
    // character the input line submits on.
    PostMessageW(client.input_window, WM_KEYDOWN, VK_RETURN, enter_key_data);
}

void user_list_notified(ChatClient& client, ChatRecord& channel, int code) {
    switch (code) {
    case CBN_DROPDOWN:
        refresh_user_list(client, channel.slot);
        channel.user_list_state = list_dropped_down;
        break;
    case CBN_CLOSEUP:
        channel.user_list_state = list_closed_up;
        break;
    case CBN_SELCHANGE:
        enable_control(client.private_chat_button, true);
        enable_control(client.kick_button, channel.is_operator);
        enable_control(client.voice_off_button, channel.is_operator && channel.moderated);
        enable_control(client.voice_on_button, channel.is_operator && channel.moderated);
        break;
    default:
        break;
    }
}
