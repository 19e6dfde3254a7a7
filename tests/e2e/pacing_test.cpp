// Against a server that cuts off a client running ahead of the flood penalty
// (tools/test_servers/penalty_server.py, started here): a client ignoring the
// pace is cut off; a paste of twenty lines and a long message in parts arrive
// whole, in order, and keep the connection.
#include <gtest/gtest.h>

#include "connection/receive_loop.h"
#include "controls/buffer_actions.h"
#include "e2e_support.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "support/linux_shell.h"
#include "support/modal_dialog.h"

namespace {
using namespace net_test;

class StrictServer : public testing::Test {
protected:
    static unsigned short port;
    static std::string log() { return read_file_bytes(linux_shell::scratch_folder_wide() + L"penalty.log"); }

    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(linux_shell::run("rm -f penalty.port\nsetsid python3 " QUILLMERE_SOURCE_DIR
                                     "/tools/test_servers/penalty_server.py penalty.port </dev/null >penalty.log 2>&1 &\n"
                                     "echo $! >penalty.pid\n", error)) << error;
        // The server renames its port file into place: once there it is whole.
        const std::wstring port_file = linux_shell::scratch_folder_wide() + L"penalty.port";
        ASSERT_TRUE(wait_until([&] { return file_exists(port_file); })) << log();
        port = static_cast<unsigned short>(atoi(read_file_bytes(port_file).c_str()));
    }
    static void TearDownTestSuite() {
        std::string error;
        linux_shell::run("kill $(cat penalty.pid)\n", error);
    }
    void SetUp() override { ASSERT_NE(port, 0); }
    void TearDown() override {
        SendQueue::set_paced(false);
        stop_receive_thread(test_client());
        close_chat(test_client(), L"#pace");
        pump_messages();
    }
};
unsigned short StrictServer::port = 0;

TEST_F(StrictServer, CutsOffAClientThatIgnoresThePace) {
    RawIrcClient raw;
    ASSERT_TRUE(raw.connect(port));
    raw.send_line("NICK hasty");
    raw.send_line("USER hasty 0 * :hasty");
    ASSERT_TRUE(raw.read_until(" 376 ", 15000));
    for (int i = 0; i < 8; ++i) raw.send_line("PRIVMSG #pace :line " + std::to_string(i));
    EXPECT_TRUE(raw.read_until("ERROR :Closing Link: hasty[127.0.0.1] (Excess Flood)", 15000)) << log();
    EXPECT_TRUE(wait_until([&] { return !raw.read_line(0) && !raw.is_open(); }));
}

TEST_F(StrictServer, APasteAndALongMessageArriveWholeWithoutAFlood) {
    ChatClient& client = test_client();
    stop_receive_thread(client);
    const std::wstring ini = use_fresh_folder(client, L"pacing") + L"Settings\\Settings.ini";
    const std::wstring port_text = std::to_wstring(port);
    const std::pair<const wchar_t*, const wchar_t*> servers[] = {{L"server_name_1", L"127.0.0.1"},
        {L"server_port_1", port_text.c_str()}, {L"server_nickname_1", L"Pacer1"}, {L"server_username_1", L"pacer1"}};
    for (const auto& key : servers) WritePrivateProfileStringW(L"servers", key.first, key.second, ini.c_str());
    WritePrivateProfileStringW(L"channels", L"channel_name_1", L"pace", ini.c_str());
    WritePrivateProfileStringW(L"channels", L"channel_autojoin_1", L"true", ini.c_str());
    client.check_compatible_app = client.enable_sounds_app = false;
    client.connection.public_ip = L"192.0.2.1";  // registration then looks nothing up
    SendQueue::set_paced(true);

    e2e::PeerClient peer;
    ASSERT_TRUE(peer.connect(port));
    for (const char* line : {"NICK watcher", "USER watcher 0 * :w", "JOIN #pace"}) peer.send(line);
    ASSERT_NE(peer.wait_for(" 366 "), "");
    EXPECT_TRUE(run_modal([&] { SendMessageW(client.main_window, WM_COMMAND, IDM_CONNECT, 0); },
                          [](HWND dialog) {
                              SendDlgItemMessageW(dialog, IDC_CONNECT_SERVER_LIST, CB_SETCURSEL, 0, 0);
                              press(dialog, IDC_CONNECT_SERVER_LIST, CBN_SELCHANGE);
                              press(dialog, IDOK);
                          }));
    const std::string from_us = ":Pacer1!pacer1@127.0.0.1 PRIVMSG #pace :";
    ASSERT_NE(peer.wait_for(":Pacer1!pacer1@127.0.0.1 JOIN #pace", 30000), "") << log();
    int room = -1;
    ASSERT_TRUE(wait_until([&] { return (room = find_chat(client, L"#pace")) > 0; }));
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(201 + 2 * room, BN_CLICKED), 0);

    // Twenty lines pasted from the clipboard into the input line, then Enter.
    std::wstring paste;
    std::vector<std::string> expected, received;
    for (int i = 1; i <= 20; ++i) {
        paste += format_text(L"pasted line %d of twenty\r\n", i);
        expected.push_back(from_us + "pasted line " + std::to_string(i) + " of twenty");
    }
    ASSERT_TRUE(copy_to_clipboard(client, paste));
    SendMessageW(client.input_window, WM_PASTE, 0, 0);
    ASSERT_EQ(window_text(client.input_window), paste);
    SendMessageW(client.input_window, WM_CHAR, L'\r', 1);
    EXPECT_TRUE(wait_until([&] { return contains(status_text(client, 1), L"lines waiting to be sent"); }));
    for (std::string line; received.size() < expected.size() && !(line = peer.wait_for(from_us, 30000)).empty();)
        received.push_back(line);
    EXPECT_EQ(received, expected) << log();

    // 2,000 characters typed in go out in parts, cut between words.
    std::wstring text;
    for (int i = 0; text.size() < 2000; ++i) text += format_text(L"word%d ", i);
    text.resize(2000);
    text.back() = L'x';  // a server trims a space at the end
    SetWindowTextW(client.input_window, text.c_str());
    SendMessageW(client.input_window, WM_CHAR, L'\r', 1);
    std::string joined;
    for (std::string line; joined.size() < text.size() && !(line = peer.wait_for(from_us, 30000)).empty();)
        joined += (joined.empty() ? "" : " ") + line.substr(from_us.size());
    EXPECT_EQ(joined, narrow_text(text.c_str(), CP_ACP)) << log();

    EXPECT_TRUE(wait_until([&] { return !contains(status_text(client, 1), L"waiting"); }, 30000));
    EXPECT_EQ(log().find("FLOODED Pacer1"), std::string::npos) << log();
    EXPECT_EQ(client.server_socket.connected, 1);
}

}  // namespace
