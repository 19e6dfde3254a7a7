// The main window's chat and channel commands: which kind of tab each applies
// to, and what it does there. A command for a tab it does not apply to does
// nothing.

#include "mainwindow/command_groups.h"

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/silence.h"
#include "controls/buffer_actions.h"
#include "links/open_link.h"
#include "mainwindow/chat_command_parts.h"
#include "mainwindow/command_texts.h"
#include "resources/resource_ids.h"

namespace {
enum class Applies { any_tab, conversation, channel, private_chat };

struct ChatCommand {
    int id;
    Applies applies;
    void (*run)(ChatClient&, ChatRecord&, int id);
};

bool applies_to(Applies applies, const ChatRecord& chat) {
    if (!chat.in_use) return false;
    switch (applies) {
    case Applies::any_tab:
        return true;
    case Applies::conversation:
        return chat.slot != 0;
    case Applies::channel:
        return chat.slot != 0 && chat.is_channel;
    case Applies::private_chat:
        return chat.slot != 0 && !chat.is_channel;
    }
    return false;
}

const ChatCommand commands[] = {
    {IDM_DISCONNECT, Applies::any_tab, [](ChatClient& c, ChatRecord&, int) { disconnect_by_user(c); }},
    {IDM_PASSWORD_ON, Applies::channel, [](ChatClient& c, ChatRecord& r, int) { set_channel_password(c, r, true); }},
    {IDM_PASSWORD_OFF, Applies::channel, [](ChatClient& c, ChatRecord& r, int) { set_channel_password(c, r, false); }},
    {IDM_SECRET_ON, Applies::channel, [](ChatClient& c, ChatRecord& r, int) { set_channel_secret(c, r, true); }},
    {IDM_SECRET_OFF, Applies::channel, [](ChatClient& c, ChatRecord& r, int) { set_channel_secret(c, r, false); }},
    {IDM_MODERATED_ON, Applies::channel, [](ChatClient& c, ChatRecord& r, int) { set_channel_moderated(c, r, true); }},
    {IDM_MODERATED_OFF, Applies::channel,
     [](ChatClient& c, ChatRecord& r, int) { set_channel_moderated(c, r, false); }},
    {IDM_USERS_IN_OUT, Applies::channel, [](ChatClient& c, ChatRecord& r, int id) { toggle_display_switch(c, r, id); }},
    {IDM_MESSAGES, Applies::channel, [](ChatClient& c, ChatRecord& r, int id) { toggle_display_switch(c, r, id); }},
    {IDM_AUTO_PROCESS_LINKS, Applies::conversation,
     [](ChatClient& c, ChatRecord& r, int id) { toggle_display_switch(c, r, id); }},
    {IDM_MESSAGE_SOUND, Applies::conversation,
     [](ChatClient& c, ChatRecord& r, int id) { toggle_display_switch(c, r, id); }},
    {IDM_SILENCE_ON, Applies::private_chat,
     [](ChatClient& c, ChatRecord& r, int) { set_silence(c, chat_name(c, r.slot).c_str(), true); }},
    {IDM_SILENCE_OFF, Applies::private_chat,
     [](ChatClient& c, ChatRecord& r, int) { set_silence(c, chat_name(c, r.slot).c_str(), false); }},
    {IDM_WEBSITE, Applies::any_tab,
     [](ChatClient&, ChatRecord&, int) { open_link(command_text::website_url, SW_SHOWNORMAL); }},
    {IDC_CLOSE_TAB, Applies::conversation, [](ChatClient& c, ChatRecord& r, int) { close_selected_tab(c, r); }},
    {IDM_CLOSE_CHAT, Applies::conversation, [](ChatClient& c, ChatRecord& r, int) { close_selected_tab(c, r); }},
    {IDC_PRIVATE_CHAT, Applies::channel,
     [](ChatClient& c, ChatRecord& r, int) { private_chat_with_selected_user(c, r); }},
    {IDC_KICK, Applies::channel, [](ChatClient& c, ChatRecord& r, int) { kick_selected_user(c, r); }},
    {IDC_VOICE_OFF, Applies::channel, [](ChatClient& c, ChatRecord& r, int) { voice_selected_user(c, r, false); }},
    {IDC_VOICE_ON, Applies::channel, [](ChatClient& c, ChatRecord& r, int) { voice_selected_user(c, r, true); }},
    {IDC_ENCRYPT_CHECK, Applies::conversation, [](ChatClient& c, ChatRecord& r, int) { flip_encryption(c, r); }},
    {IDC_FILTER_USERS, Applies::channel, [](ChatClient& c, ChatRecord& r, int) { apply_user_filter(c, r); }},
    {IDC_CLEAR, Applies::any_tab, [](ChatClient& c, ChatRecord& r, int) { clear_chat(c, r.slot); }},
    {IDC_SAVE_CHAT, Applies::any_tab, [](ChatClient& c, ChatRecord& r, int) { save_chat(c, r.slot); }},
    {IDC_SCROLL_END, Applies::any_tab,
     [](ChatClient& c, ChatRecord& r, int) {
         append_chat_text(L"", c, r.slot, colour_server_text, colour_black, false);
     }},
    {IDC_PASTE_SEND, Applies::any_tab,
     [](ChatClient& c, ChatRecord&, int) {
         if (paste_to_input(c)) send_input_line(c);
     }},
    {IDC_SEND, Applies::any_tab, [](ChatClient& c, ChatRecord&, int) { send_input_line(c); }},
};
}  // namespace

bool handle_chat_command(ChatClient& client, int id, int code, HWND source) {
    ChatRecord* chat = client.current_chat;
    if (!chat) return false;
    // The user list speaks through notification codes of its own.
    if (source && chat->in_use && chat->is_channel && source == chat->user_list) {
        user_list_notified(client, *chat, code);
        return true;
    }
    for (const ChatCommand& command : commands) {
        if (command.id != id) continue;
        // Lines queued by other threads land first: a closed or cleared chat
        // must not get them afterwards.
        flush_chat_appends(client, chat->slot);
        if (applies_to(command.applies, *chat)) command.run(client, *chat, id);
        return true;
    }
    return false;
}
