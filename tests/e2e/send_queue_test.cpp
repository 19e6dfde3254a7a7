// Against a server that cuts off a client exceeding the flood penalty
// (penalty_server.py): a 20-line paste and a 2,000-character message go out
// whole, in order, and keep the connection.
#include <gtest/gtest.h>

#include <sstream>

#include "chat/ui_post.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "controls/input_line.h"
#include "mainwindow/main_window.h"
#include "net/irc_commands.h"
#include "support/linux_shell.h"
#include "support/net_test_support.h"

namespace {
using namespace net_test;

TEST(SendQueue, APasteAndALongMessageKeepThePaceOfAStrictServer) {
    ChatClient& client = test_client();
    start_ui_posts();
    if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
    use_fresh_folder(client, L"penalty");
    client.connection.public_ip = L"192.0.2.1";  // registration then needs no lookup
    std::string error;
    ASSERT_TRUE(linux_shell::run("rm -f penalty.port penalty.log\nsetsid python3 " QUILLMERE_SOURCE_DIR
                                 "/tests/e2e/penalty_server.py penalty.port penalty.log </dev/null >penalty.out 2>&1 &\n"
                                 "echo $! >penalty.pid\n", error)) << error;
    const std::wstring folder = linux_shell::scratch_folder_wide();
    ASSERT_TRUE(wait_until([&] { return !read_file_bytes(folder + L"penalty.port").empty(); }));
    const auto server_lines = [&] {
        std::vector<std::string> all;
        std::istringstream log(read_file_bytes(folder + L"penalty.log"));
        for (std::string line; std::getline(log, line);) all.push_back(line);
        return all;
    };
    SendQueue::set_paced(true);
    ASSERT_TRUE(connect_and_start(client, {L"127.0.0.1", wide_text(read_file_bytes(folder + L"penalty.port"), CP_ACP),
                                           L"Pacer", L"pacer"}));
    int chat = -1;
    ASSERT_TRUE(wait_until([&] { return client.server_socket.registered == client.server_socket.opened; }));
    send_command(client.server_socket, irc::join, L"pace");
    ASSERT_TRUE(wait_until([&] { return (chat = find_chat(client, L"#pace")) > 0; }));
    select_chat(client, chat);

    std::vector<std::string> expected;
    for (int i = 1; i <= 20; ++i) {
        const std::wstring line = format_text(L"pasted line %d of twenty", i);
        EXPECT_EQ(process_input_line(client, line.c_str()), InputOutcome::message_sent);
        expected.push_back("PRIVMSG #pace :" + narrow_text(line.c_str(), CP_ACP));
    }
    std::wstring text;
    for (int i = 0; text.size() < 2000; ++i) text += format_text(L"word%d ", i);
    text.resize(2000);
    text.back() = L'x';
    EXPECT_EQ(process_input_line(client, text.c_str()), InputOutcome::message_sent);
    EXPECT_TRUE(wait_until([&] { return contains(status_text(client, 1), L"waiting to be sent"); }));

    std::vector<std::string> received;
    std::string joined;
    wait_until([&] {
        received.clear();
        joined.clear();
        for (const std::string& line : server_lines()) {
            if (line.compare(0, 15, "PRIVMSG #pace :") != 0) continue;
            if (received.size() < expected.size()) received.push_back(line);
            else joined += (joined.empty() ? "" : " ") + line.substr(15);
        }
        return joined.size() >= text.size() || !client.server_socket.connected;
    }, 240000);
    EXPECT_EQ(received, expected);
    EXPECT_EQ(joined, narrow_text(text.c_str(), CP_ACP));
    const std::vector<std::string> all = server_lines();
    EXPECT_EQ(std::count(all.begin(), all.end(), "FLOODED"), 0);
    EXPECT_EQ(client.server_socket.connected, 1);
    EXPECT_TRUE(wait_until([&] { return !contains(status_text(client, 1), L"waiting to be sent"); }));
    SendQueue::set_paced(false);
    stop_receive_thread(client);
    close_chat(client, L"#pace");
    linux_shell::run("kill $(cat penalty.pid) 2>/dev/null; true\n", error);
}

}  // namespace
