#include "irc/chat_view.h"

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"

namespace {
ChatView view_of(ChatClient& client, int slot) {
    const ChatRecord& chat = client.chats[slot];
    ChatView view;
    view.slot = slot;
    view.is_channel = chat.is_channel;
    view.selected = client.current_chat == &chat;
    view.show_messages = chat.show_messages;
    view.show_users_in_out = chat.show_users_in_out;
    view.process_links = chat.process_links;
    view.message_sound = chat.message_sound;
    view.name = chat_name(client, slot);
    return view;
}

HandlerSettings settings_here(const ChatClient& client) {
    HandlerSettings settings;
    settings.allow_open_private_chats = client.allow_open_private_chats;
    settings.reply_away_message = client.reply_away_message;
    settings.show_rejected_message = client.show_rejected_message;
    settings.enable_sounds_app = client.enable_sounds_app;
    settings.away_text = client.msg_dont_allow_open_private_chats;
    return settings;
}
}  // namespace

ChatView view_chat(ChatClient& client, const std::wstring& name) {
    ChatView view;
    run_on_ui_thread(client, [&] {
        int slot = find_chat(client, name.c_str());
        if (slot >= 0 && slot < chat_slot_count) view = view_of(client, slot);
    });
    return view;
}

std::vector<ChatView> view_open_chats(ChatClient& client) {
    std::vector<ChatView> views;
    run_on_ui_thread(client, [&] {
        for (int slot = first_private_slot; slot <= last_channel_slot; ++slot)
            if (client.chats[slot].in_use) views.push_back(view_of(client, slot));
    });
    return views;
}

int selected_slot(ChatClient& client) {
    int slot = 0;
    run_on_ui_thread(client, [&] {
        if (client.current_chat) slot = client.current_chat->slot;
    });
    return slot;
}

HandlerSettings read_handler_settings(ChatClient& client) {
    HandlerSettings settings;
    run_on_ui_thread(client, [&] { settings = settings_here(client); });
    return settings;
}

ChatView view_chat_with_settings(ChatClient& client, const std::wstring& name, HandlerSettings& settings) {
    ChatView view;
    run_on_ui_thread(client, [&] {
        settings = settings_here(client);
        int slot = find_chat(client, name.c_str());
        if (slot >= 0 && slot < chat_slot_count) view = view_of(client, slot);
    });
    return view;
}
