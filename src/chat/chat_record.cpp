#include "chat/chat_record.h"

#include <cwchar>

#include "controls/buffer_edit.h"

ChatRecord::ChatRecord() = default;
ChatRecord::~ChatRecord() = default;

void reset_chat_record(ChatRecord& chat, int slot) {
    chat.control_id = 200 + 2 * slot;
    chat.user_list_state = 8;
    chat.in_use = false;
    chat.closing = false;
    chat.user_list_refresh_pending = false;
    chat.is_channel = false;
    chat.unread = true;
    chat.mention = false;
    chat.selected = false;
    chat.encrypt_messages = false;
    chat.peer_ready = false;
    wmemset(chat.password, 0, sizeof chat.password / sizeof chat.password[0]);
    wmemset(chat.peer_ip, 0, sizeof chat.peer_ip / sizeof chat.peer_ip[0]);
    wmemset(chat.user_host, 0, sizeof chat.user_host / sizeof chat.user_host[0]);
    chat.share_ip = false;
    chat.filter_users = false;
    chat.slot = slot;
    wmemset(chat.topic, 0, sizeof chat.topic / sizeof chat.topic[0]);
    chat.has_key = false;
    wmemset(chat.key, 0, sizeof chat.key / sizeof chat.key[0]);
    chat.secret = false;
    chat.is_operator = false;
    chat.topic_protected = true;
    chat.moderated = false;
    chat.show_messages = true;
    chat.pending_lines.clear();
    chat.mid_line = false;
    std::lock_guard<std::mutex> guard(chat.lock);
    chat.show_users_in_out = false;
    chat.process_links = false;
    chat.message_sound = false;
    chat.name.clear();
    chat.users.clear();
    chat.whois_lines.clear();
}
