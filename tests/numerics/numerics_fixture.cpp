#include "numerics_fixture.h"

#include "irc/irc_line.h"
#include "irc/numeric_replies.h"
#include "mainwindow/main_window.h"
#include "net/server_socket.h"
#include "chat/ui_post.h"

void NumericsTest::SetUp() {
    start_ui_posts();
    // What an earlier test's server told of itself ends with its connection.
    client.connection.features.reset();
    client.connection.receive.reset();
    if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
    for (int slot = 1; slot < chat_slot_count; ++slot)
        if (client.chats[slot].in_use) close_chat(client, chat_name(client, slot).c_str());
    select_chat(client, 0);
    clear_chat(client, 0);
    folder = net_test::use_fresh_folder(client, L"numerics");
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
    ASSERT_TRUE(server.accept_client());
    client.connection.nickname = L"me";
    client.connection.username = L"meuser";
    client.connection.public_ip = L"192.0.2.1";
    client.check_compatible_app = true;
    client.enable_sounds_app = true;
    speaker.start();
}

void NumericsTest::TearDown() {
    speaker.stop();
    set_message_box_hook(nullptr);
    for (int slot = 1; slot < chat_slot_count; ++slot)
        if (client.chats[slot].in_use) close_chat(client, chat_name(client, slot).c_str());
    if (client.server_socket.connected) close_connection(client.server_socket);
    pump_messages();
}

void NumericsTest::feed(const std::wstring& line) {
    IrcLine split;
    ASSERT_TRUE(split_tokens(line, split)) << line;
    handle_numeric(client, split, _wtoi(split.token(1).c_str()));
}

std::vector<std::string> NumericsTest::sent_lines() {
    std::vector<std::string> lines;
    for (std::string line; !(line = server.receive_line(200)).empty();) lines.push_back(line);
    return lines;
}

int NumericsTest::open_chat(const wchar_t* name, bool channel) {
    int slot = create_chat(client, name, channel);
    sent_lines();  // a private chat asks USERHOST and WHOIS
    return slot;
}

void NumericsTest::reopen(int& slot, const wchar_t* name, bool channel) {
    close_chat(client, name);
    slot = open_chat(name, channel);
}

void NumericsTest::select(int slot) {
    select_chat(client, slot);
}
