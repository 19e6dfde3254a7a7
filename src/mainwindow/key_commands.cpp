// Keys of the main window that have no menu item: Find in the selected chat
// and moving between chats.

#include <memory>
#include <vector>

#include "app/chat_client.h"
#include "controls/find_box.h"
#include "mainwindow/command_groups.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"

namespace {
// The open chats in the order their tabs read: the server tab and the private
// chats down the first column, then the channels down the second.
std::vector<int> chats_in_tab_order(const ChatClient& client) {
    std::vector<int> slots;
    for (const ChatRecord& chat : client.chats)
        if (chat.in_use && chat.button) slots.push_back(chat.slot);
    return slots;
}

void select_neighbour(ChatClient& client, int direction) {
    const std::vector<int> slots = chats_in_tab_order(client);
    if (slots.empty()) return;
    const int current = client.current_chat ? client.current_chat->slot : 0;
    int index = 0;
    for (size_t i = 0; i < slots.size(); ++i)
        if (slots[i] == current) index = static_cast<int>(i);
    const int count = static_cast<int>(slots.size());
    select_chat(client, slots[static_cast<size_t>((index + direction + count) % count)]);
}

void select_position(ChatClient& client, int position) {
    const std::vector<int> slots = chats_in_tab_order(client);
    if (position < static_cast<int>(slots.size())) select_chat(client, slots[static_cast<size_t>(position)]);
}

FindBox& find_box(ChatClient& client) {
    if (!client.find_box) client.find_box = std::make_unique<FindBox>(client);
    return *client.find_box;
}
}  // namespace

bool handle_key_command(ChatClient& client, int id, int code, HWND) {
    if (id >= IDM_CHAT_POSITION && id < IDM_CHAT_POSITION + 9) {
        select_position(client, id - IDM_CHAT_POSITION);
        return true;
    }
    switch (id) {
    case IDM_NEXT_CHAT:
    case IDM_PREVIOUS_CHAT:
        select_neighbour(client, id == IDM_NEXT_CHAT ? 1 : -1);
        return true;
    case IDM_FIND:
        find_box(client).open();
        return true;
    case IDM_FIND_NEXT:
    case IDM_FIND_PREVIOUS:
        // F3 with the box closed opens it on the text last looked for.
        if (!find_box(client).is_open()) find_box(client).open();
        find_box(client).step(id == IDM_FIND_NEXT ? FindStep::next : FindStep::previous);
        return true;
    case IDC_FIND_EDIT:
        if (code == EN_CHANGE && client.find_box) client.find_box->step(FindStep::from_here);
        return true;
    default:
        return false;
    }
}
