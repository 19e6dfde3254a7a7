// The chat's display switches. The receive thread reads them for every
// message: the plain ones change under the chat's lock.

#include <mutex>

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "mainwindow/chat_command_parts.h"
#include "mainwindow/command_texts.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"

namespace {
bool flip_locked(ChatRecord& chat, bool ChatRecord::*flag) {
    std::lock_guard<std::mutex> guard(chat.lock);
    chat.*flag = !(chat.*flag);
    return chat.*flag;
}

void show_notice(bool on, const command_text::Notice& on_notice, const command_text::Notice& off_notice) {
    const command_text::Notice& notice = on ? on_notice : off_notice;
    show_status_notice(notice.title, notice.text);
}
}  // namespace

bool toggle_display_switch(ChatClient& client, ChatRecord& chat, int id) {
    using namespace command_text;
    switch (id) {
    case IDM_USERS_IN_OUT:
        show_notice(flip_locked(chat, &ChatRecord::show_users_in_out), users_in_out_on, users_in_out_off);
        return true;
    case IDM_MESSAGES: {
        const bool shown = !chat.show_messages;
        chat.show_messages = shown;
        show_notice(shown, messages_on, messages_off);
        append_chat_text(shown ? messages_shown_line : messages_hidden_line, client, chat.slot, colour_error_text,
                         colour_error_back, true);
        return true;
    }
    case IDM_AUTO_PROCESS_LINKS:
        show_notice(flip_locked(chat, &ChatRecord::process_links), links_on, links_off);
        return true;
    case IDM_MESSAGE_SOUND:
        show_notice(flip_locked(chat, &ChatRecord::message_sound), sound_on, sound_off);
        return true;
    default:
        return false;
    }
}
