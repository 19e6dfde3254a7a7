#include "chat_fixture.h"

#include <commctrl.h>

#include "chat/chat_tabs.h"
#include "controls/buffer_edit.h"
#include "framework/message_box.h"
#include "support/test_client.h"

ChatTest::ChatTest() : client(test_client()) {}

void ChatTest::SetUp() {
    if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
    close_every_chat(client);
    client.current_chat = &client.chats[0];
    client.connection.nickname.clear();
}

void ChatTest::TearDown() {
    set_message_box_hook(nullptr);
    close_every_chat(client);
    client.current_chat = &client.chats[0];
    if (client.server_socket.connected) close_connection(client.server_socket);
    pump_messages();
}

HWND ChatTest::buffer_window(int slot) const {
    const ChatRecord& chat = client.chats[slot];
    return chat.buffer ? chat.buffer->window : nullptr;
}

std::wstring ChatTest::buffer_text(int slot) const {
    return window_text(buffer_window(slot));
}

void ChatTest::give_view_size(int slot) const {
    MoveWindow(buffer_window(slot), 255, 35, 776, 500, FALSE);
}

SCROLLINFO ChatTest::vertical_scroll(int slot) const {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(buffer_window(slot), SB_VERT, &info);
    return info;
}

std::wstring ChatTest::status_text(int part) const {
    return ::status_text(client, part);
}
