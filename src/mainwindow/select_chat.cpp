// Selecting a tab: the chat's buffer comes to the front and the controls
// around it follow the kind of chat (server tab, private chat, channel).

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/user_list.h"
#include "controls/buffer_edit.h"
#include "irc/whois.h"
#include "mainwindow/main_window.h"
#include "mainwindow/sealed_banner.h"
#include "mainwindow/window_helpers.h"
#include "mainwindow/window_layout.h"
#include "resources/resource_ids.h"
#include "transfer/ip_sharing.h"

namespace {
HWND buffer_of(const ChatRecord& chat) {
    return chat.buffer ? chat.buffer->window : nullptr;
}

void repaint(HWND control) {
    if (control) InvalidateRect(control, nullptr, TRUE);
}

void show_identification_box(ChatClient& c, bool shown) {
    for (HWND control : {c.logo_button, c.identification_group, c.server_name_label, c.server_name_edit,
                         c.nickname_label, c.nickname_edit, c.my_ip_label, c.my_ip_edit})
        show_control(control, shown);
}

void show_private_chat_boxes(ChatClient& c, bool shown) {
    for (HWND control : {c.user_info_group, c.user_info_edit, c.file_transfer_group, c.peer_ip_edit, c.get_ip_button,
                         c.file_path_edit, c.browse_button, c.send_file_button, c.share_ip_check, c.compatible_icon})
        show_control(control, shown);
}

void show_channel_buttons(ChatClient& c, bool shown) {
    for (HWND control : {c.private_chat_button, c.kick_button, c.voice_off_button, c.voice_on_button})
        show_control(control, shown);
}

void show_channel_indicators(ChatClient& c, bool shown) {
    for (HWND control : {c.key_icon, c.secret_icon, c.operator_icon, c.moderated_icon}) show_control(control, shown);
}

// Steps 1 to 5: the buffers, the user lists and the user buttons.
void swap_views(ChatClient& client, ChatRecord& next, ChatRecord* previous) {
    place_chat_buffer(client, next);
    const bool previous_open = previous && previous != &next && previous->in_use;
    if (previous_open) show_control(buffer_of(*previous), false);
    show_control(buffer_of(next), true);
    if (previous_open && previous->is_channel) show_control(previous->user_list, false);
    show_control(client.users_label, next.is_channel);
    if (next.is_channel) {
        show_control(next.user_list, true);
        if (next.user_list) SendMessageW(next.user_list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        for (HWND button : {client.private_chat_button, client.kick_button, client.voice_off_button,
                            client.voice_on_button})
            enable_control(button, false);
    }
    show_channel_buttons(client, next.is_channel);
}

// Step 8 for a private chat or a channel.
void lay_out_conversation(ChatClient& client, ChatRecord& chat) {
    show_control(client.close_tab_button, true);
    show_control(client.encrypt_check, true);
    enable_control(client.encrypt_check, chat.password[0] != L'\0');
    show_control(client.lock_icon, true);
    show_control(client.encrypt_banner, chat.encrypt_messages);
    show_control(client.encrypted_text_edit, chat.encrypt_messages);
    set_check(client.encrypt_check, chat.encrypt_messages);
    enable_control(client.lock_icon, chat.encrypt_messages);
    show_control(client.password_label, true);
    show_control(client.password_combo, true);
    if (client.password_combo) SendMessageW(client.password_combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    show_control(client.password_edit, true);
    if (client.password_edit) SetWindowTextW(client.password_edit, chat.password);
    show_identification_box(client, false);
    set_menu_item_enabled(client, IDM_AUTO_PROCESS_LINKS, true);
    set_menu_item_enabled(client, IDM_MESSAGE_SOUND, true);
}

void lay_out_server_tab(ChatClient& client) {
    for (HWND control : {client.close_tab_button, client.encrypt_check, client.lock_icon, client.encrypt_banner,
                         client.encrypted_text_edit, client.password_label, client.password_combo,
                         client.password_edit})
        show_control(control, false);
    show_identification_box(client, true);
    set_menu_item_enabled(client, IDM_AUTO_PROCESS_LINKS, false);
    set_menu_item_enabled(client, IDM_MESSAGE_SOUND, false);
}

void lay_out_private_chat(ChatClient& client, ChatRecord& chat) {
    show_private_chat_boxes(client, true);
    if (client.peer_ip_edit) SetWindowTextW(client.peer_ip_edit, chat.peer_ip);
    if (!client.check_compatible_app) show_control(client.compatible_icon, false);
    for (HWND control : {client.compatible_icon, client.share_ip_check, client.get_ip_button})
        enable_control(control, chat.peer_ready);
    set_check(client.share_ip_check, chat.share_ip);
    show_whois(client, chat.slot);
    set_menu_item_enabled(client, IDM_SILENCE_ON, true);
    set_menu_item_enabled(client, IDM_SILENCE_OFF, true);
}

void hide_private_chat_boxes(ChatClient& client) {
    show_private_chat_boxes(client, false);
    set_menu_item_enabled(client, IDM_SILENCE_ON, false);
    set_menu_item_enabled(client, IDM_SILENCE_OFF, false);
}

// Step 10.
void lay_out_channel_extras(ChatClient& client, ChatRecord& chat) {
    if (chat.is_channel) {
        show_channel_indicators(client, true);
        refresh_channel_controls(client);
        set_menu_item_enabled(client, IDM_USERS_IN_OUT, true);
        set_menu_item_enabled(client, IDM_MESSAGES, true);
        refresh_user_list(client, chat.slot);
        show_control(client.filter_users_check, true);
        enable_control(client.filter_users_check, !client.filter_keywords.empty());
        set_check(client.filter_users_check, chat.filter_users);
        return;
    }
    show_channel_indicators(client, false);
    show_control(client.filter_users_check, false);
    for (int command = IDM_PASSWORD_ON; command <= IDM_MESSAGES; ++command)
        set_menu_item_enabled(client, command, false);
    set_menu_item_enabled(client, IDM_CHANGE_TOPIC, false);
}
}  // namespace

void select_chat(ChatClient& client, int slot) {
    // A command for a tab that is gone (or never was) changes nothing: laying
    // the window out for it would hide the chat on show and show none.
    if (slot < 0 || slot >= chat_slot_count || !client.chats[slot].in_use) return;
    ChatRecord& chat = client.chats[slot];
    ChatRecord* previous = client.current_chat;

    swap_views(client, chat, previous);
    client.current_chat = &chat;
    // Published for the receive thread, which may not read current_chat.
    for (ChatRecord& other : client.chats) other.selected = &other == &chat;
    chat.unread = false;
    chat.mention = false;
    repaint(chat.button);
    if (previous && previous != &chat && previous->in_use) repaint(previous->button);
    if (client.title_edit) SetWindowTextW(client.title_edit, chat_name(client, slot).c_str());

    if (slot == 0) {
        lay_out_server_tab(client);
    } else {
        lay_out_conversation(client, chat);
        if (!chat.is_channel) lay_out_private_chat(client, chat);
    }
    if (slot == 0 || chat.is_channel) hide_private_chat_boxes(client);
    if (client.menu) DrawMenuBar(client.main_window);

    lay_out_channel_extras(client, chat);
    show_sealed_standing(client);
    update_send_file_button(client);
    show_status_notice("", "");
    if (client.encrypted_text_edit) SetWindowTextW(client.encrypted_text_edit, L"");
    append_chat_text(L"", client, slot, colour_server_text, colour_black, false);
    focus_input_line(client);
}
