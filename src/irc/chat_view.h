#pragma once
#include <string>
#include <vector>

class ChatClient;

// A copy of what the message handlers need to know about one chat. Taken on
// the calling thread without waiting for the user-interface thread (which
// creates, closes and switches the chats): the switches are atomic, the name is
// read under the slot's lock, and `generation` tells which chat of the slot it
// was, so that a line for it is dropped rather than shown in a successor.
struct ChatView {
    int slot = -1;
    unsigned generation = 0;
    bool is_channel = false;
    bool selected = false;
    bool show_messages = true;
    bool show_users_in_out = false;
    bool process_links = false;
    bool message_sound = false;
    std::wstring name;

    // Slot 0 (the server tab) never stands for a nickname or a channel.
    bool found() const { return slot > 0; }
};

// The chat of that exact name (find_chat), or a view with slot -1.
ChatView view_chat(ChatClient& client, const std::wstring& name);

// Every chat in use from slot 1 to 33, in slot order.
std::vector<ChatView> view_open_chats(ChatClient& client);

// The selected slot (0 when nothing else is selected).
int selected_slot(ChatClient& client);

// The preferences the handlers read, taken together on any thread without
// waiting for the user-interface thread (the switches are atomic, the text is
// read under its lock).
struct HandlerSettings {
    bool allow_open_private_chats = true;
    bool reply_away_message = false;
    bool show_rejected_message = true;
    bool enable_sounds_app = true;
    std::wstring away_text;
};
HandlerSettings read_handler_settings(ChatClient& client);

// view_chat and read_handler_settings together: what a message handler needs
// for one line, without any round trip to the user-interface thread.
ChatView view_chat_with_settings(ChatClient& client, const std::wstring& name, HandlerSettings& settings);
