// Against a strict server that cuts off a client running ahead of the flood
// penalty (tools/test_servers/penalty_server.py, started here): a client that
// ignores the pace is cut off, while Quillmere's paste of twenty lines and a
// long message in parts arrive whole, in order, and keep the connection.
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

    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(linux_shell::run("rm -f penalty.port\nsetsid python3 " QUILLMERE_SOURCE_DIR
                                     "/tools/test_servers/penalty_server.py penalty.port </dev/null >penalty.log 2>&1 &\n"
                                     "echo $! >penalty.pid\n",
                                     error))
            << error;
        const std::wstring port_file = linux_shell::scratch_folder_wide() + L"penalty.port";
        // The server renames its port file into place: once there it is whole.
        ASSERT_TRUE(wait_until([&] { return file_exists(port_file); }, 20000)) << "the server did not start";
        port = static_cast<unsigned short>(atoi(read_file_bytes(port_file).c_str()));
    }
    static void TearDownTestSuite() {
        std::string error;
        linux_shell::run("kill $(cat penalty.pid) 2>/dev/null; true\n", error);
    }
    void SetUp() override { ASSERT_NE(port, 0) << "no server"; }
    void TearDown() override {
        SendQueue::set_paced(false);
        stop_receive_thread(test_client());
        close_chat(test_client(), L"#pace");
        pump_messages();
    }

    // What the server saw, for a failure's message.
    static std::string server_log() {
        return read_file_bytes(linux_shell::scratch_folder_wide() + L"penalty.log");
    }
};
unsigned short StrictServer::port = 0;

// The model applies: eight lines at once take the clock past ten seconds.
TEST_F(StrictServer, CutsOffAClientThatIgnoresThePace) {
    RawIrcClient raw;
    ASSERT_TRUE(raw.connect(port));
    raw.send_line("NICK hasty");
    raw.send_line("USER hasty 0 * :hasty");
    ASSERT_TRUE(raw.read_until(" 376 ", 15000));
    for (int i = 0; i < 8; ++i) raw.send_line("PRIVMSG hasty :line " + std::to_string(i));
    EXPECT_TRUE(raw.read_until("ERROR :Closing Link: hasty[127.0.0.1] (Excess Flood)", 15000)) << server_log();
    EXPECT_TRUE(wait_until([&] { return !raw.read_line(0) && !raw.is_open(); }, 15000));
}

TEST_F(StrictServer, APasteAndALongMessageArriveWholeWithoutAFlood) {
    ChatClient& client = test_client();
    stop_receive_thread(client);
    const std::wstring ini = use_fresh_folder(client, L"pacing") + L"Settings\\Settings.ini";
    for (const auto& key : {std::make_pair(L"server_name_1", std::wstring(L"127.0.0.1")),
                            std::make_pair(L"server_port_1", std::to_wstring(port)),
                            std::make_pair(L"server_nickname_1", std::wstring(L"Pacer1")),
                            std::make_pair(L"server_username_1", std::wstring(L"pacer1"))})
        WritePrivateProfileStringW(L"servers", key.first, key.second.c_str(), ini.c_str());
    WritePrivateProfileStringW(L"channels", L"channel_name_1", L"pace", ini.c_str());
    WritePrivateProfileStringW(L"channels", L"channel_autojoin_1", L"true", ini.c_str());
    client.check_compatible_app = false;
    client.enable_sounds_app = false;
    client.connection.public_ip = L"192.0.2.1";  // registration then looks nothing up
    SendQueue::set_paced(true);

    e2e::PeerClient peer;
    ASSERT_TRUE(peer.connect(port));
    peer.send("NICK watcher");
    peer.send("USER watcher 0 * :watcher");
    peer.send("JOIN #pace");
    ASSERT_NE(peer.wait_for(" 366 "), "");
    EXPECT_TRUE(run_modal([&] { SendMessageW(client.main_window, WM_COMMAND, IDM_CONNECT, 0); }, [](HWND dialog) {
        SendDlgItemMessageW(dialog, IDC_CONNECT_SERVER_LIST, CB_SETCURSEL, 0, 0);
        press(dialog, IDC_CONNECT_SERVER_LIST, CBN_SELCHANGE);
        press(dialog, IDOK);
    }));
    ASSERT_NE(peer.wait_for(":Pacer1!pacer1@127.0.0.1 JOIN #pace", 30000), "") << server_log();
    int room = -1;
    ASSERT_TRUE(wait_until([&] { return (room = find_chat(client, L"#pace")) > 0; }, 20000));
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(201 + 2 * room, BN_CLICKED), 0);

    // Twenty lines through the clipboard into the input line, and Enter.
    std::wstring paste;
    std::vector<std::string> expected;
    for (int i = 1; i <= 20; ++i) {
        const std::wstring line = format_text(L"pasted line %d of twenty", i);
        paste += line + L"\r\n";
        expected.push_back(":Pacer1!pacer1@127.0.0.1 PRIVMSG #pace :" + narrow_text(line.c_str(), CP_ACP));
    }
    ASSERT_TRUE(copy_to_clipboard(client, paste));
    SetWindowTextW(client.input_window, L"");
    SendMessageW(client.input_window, WM_PASTE, 0, 0);
    ASSERT_EQ(window_text(client.input_window), paste);
    SendMessageW(client.input_window, WM_CHAR, L'\r', 1);
    EXPECT_EQ(window_text(client.input_window), L"");
    // The window goes on while they wait, and says how many do.
    EXPECT_TRUE(wait_until([&] { return contains(status_text(client, 1), L"waiting to be sent"); }, 10000));
    std::vector<std::string> received;
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string line = peer.wait_for(" PRIVMSG #pace :", 30000);
        if (line.empty()) break;
        received.push_back(line);
    }
    EXPECT_EQ(received, expected) << server_log();

    // A 2,000-character message typed in, sent in parts.
    std::wstring text;
    for (int i = 0; text.size() < 2000; ++i) text += format_text(L"word%d ", i);
    text.resize(2000);
    text.back() = L'x';  // a server trims a space at the end
    SetWindowTextW(client.input_window, text.c_str());
    SendMessageW(client.input_window, WM_CHAR, L'\r', 1);
    const std::string head = ":Pacer1!pacer1@127.0.0.1 PRIVMSG #pace :";
    std::string joined;
    for (int parts = 0; parts < 10 && joined.size() < text.size(); ++parts) {
        const std::string line = peer.wait_for(head, 30000);
        if (line.empty()) break;
        joined += (joined.empty() ? "" : " ") + line.substr(head.size());  // parts end between words
    }
    EXPECT_EQ(joined, narrow_text(text.c_str(), CP_ACP)) << server_log();

    EXPECT_TRUE(wait_until([&] { return !contains(status_text(client, 1), L"waiting to be sent"); }, 30000))
        << narrow_text(status_text(client, 1).c_str(), CP_ACP);
    EXPECT_EQ(peer.wait_for("Excess Flood", 100), "");
    EXPECT_EQ(server_log().find("FLOODED Pacer1"), std::string::npos) << server_log();
    EXPECT_EQ(client.server_socket.connected, 1);
}

}  // namespace
