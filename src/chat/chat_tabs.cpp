#include "chat/chat_tabs.h"

#include <cwchar>

#include "app/chat_client.h"

int find_chat(ChatClient& client, const wchar_t* name) {
    int found = -1;
    for (int slot = 0; slot < chat_slot_count; ++slot)
        if (client.chats[slot].in_use && client.chats[slot].name == name) found = slot;
    return found;
}

int create_chat(ChatClient&, const wchar_t*, bool) {
    return -1;
}

void close_chat(ChatClient&, const wchar_t*) {}
