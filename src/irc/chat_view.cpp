#include "irc/chat_view.h"

#include <atomic>
#include <mutex>

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"

namespace {
// The view of a slot's current chat, taken on any thread; false when the slot
// holds no chat or changed hands while it was read. The generation is read
// before and after: create_chat raises it before it sets the name, the
// switches and, last, in_use, so an unchanged generation with in_use seen in
// between means every field read belongs to that one chat.
bool view_of(ChatClient& client, int slot, bool ui, ChatView& view) {
    const ChatRecord& chat = client.chats[slot];
    const unsigned generation = chat.generation;
    if (!chat.in_use || chat.closing) return false;
    ChatView seen;
    seen.slot = slot;
    seen.generation = generation;
    seen.is_channel = chat.is_channel;
    seen.selected = ui ? client.current_chat == &chat : chat.selected.load();
    seen.show_messages = chat.show_messages;
    {
        std::lock_guard<std::mutex> guard(chat.lock);
        seen.name = chat.name;
        seen.show_users_in_out = chat.show_users_in_out;
        seen.process_links = chat.process_links;
        seen.message_sound = chat.message_sound;
    }
    if (chat.generation != generation) return false;
    view = std::move(seen);
    return true;
}

// find_chat and view_of in one pass, so that the slot found and the chat viewed
// are the same one. (A chat closed and reopened meanwhile in another slot is
// found in neither: then the look-up is made once more.)
ChatView find_view(ChatClient& client, const std::wstring& name) {
    const bool ui = on_ui_thread(client);
    for (int attempt = 0; attempt < 3; ++attempt) {
        ChatView found;
        bool changed = false;
        for (int slot = 0; slot < chat_slot_count; ++slot) {
            ChatView view;
            const unsigned before = client.chats[slot].generation;
            if (!view_of(client, slot, ui, view)) {
                if (client.chats[slot].generation != before) changed = true;
                continue;
            }
            if (view.name == name) found = std::move(view);
        }
        if (found.slot >= 0 || !changed) return found;
    }
    return {};
}

}  // namespace


ChatView view_chat(ChatClient& client, const std::wstring& name) {
    return find_view(client, name);
}

std::vector<ChatView> view_open_chats(ChatClient& client) {
    std::vector<ChatView> views;
    const bool ui = on_ui_thread(client);
    for (int slot = first_private_slot; slot <= last_channel_slot; ++slot) {
        ChatView view;
        if (view_of(client, slot, ui, view)) views.push_back(std::move(view));
    }
    return views;
}

int selected_slot(ChatClient& client) {
    if (on_ui_thread(client)) return client.current_chat ? client.current_chat->slot : 0;
    for (int slot = 0; slot < chat_slot_count; ++slot)
        if (client.chats[slot].selected && client.chats[slot].in_use) return slot;
    return 0;
}

HandlerSettings read_handler_settings(ChatClient& client) {
    HandlerSettings settings;
    settings.allow_open_private_chats = client.allow_open_private_chats;
    settings.reply_away_message = client.reply_away_message;
    settings.show_rejected_message = client.show_rejected_message;
    settings.enable_sounds_app = client.enable_sounds_app;
    std::lock_guard<std::mutex> guard(client.preference_text_lock);
    settings.away_text = client.msg_dont_allow_open_private_chats;
    return settings;
}

ChatView view_chat_with_settings(ChatClient& client, const std::wstring& name, HandlerSettings& settings) {
    settings = read_handler_settings(client);
    return view_chat(client, name);
}
