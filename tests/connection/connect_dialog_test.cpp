#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "connection/connect_dialog.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "chat/ui_post.h"
#include "support/modal_dialog.h"
#include "support/net_test_support.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"

namespace {
using namespace net_test;

constexpr const wchar_t* dialog_caption = L"Connection to IRC server";

struct DialogView {
    std::wstring host, port, nickname, username;
    bool random = false;
    bool tls = false;
    std::vector<std::wstring> servers;
};

std::wstring item_text(HWND dialog, int id) {
    return window_text(GetDlgItem(dialog, id));
}

DialogView read_view(HWND dialog) {
    DialogView view;
    view.host = item_text(dialog, IDC_CONNECT_SERVER_NAME);
    view.port = item_text(dialog, IDC_CONNECT_PORT);
    view.nickname = item_text(dialog, IDC_CONNECT_NICKNAME);
    view.username = item_text(dialog, IDC_CONNECT_USERNAME);
    view.random = IsDlgButtonChecked(dialog, IDC_CONNECT_RANDOM) == BST_CHECKED;
    view.tls = IsDlgButtonChecked(dialog, IDC_CONNECT_TLS) == BST_CHECKED;
    HWND list = GetDlgItem(dialog, IDC_CONNECT_SERVER_LIST);
    const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::wstring text(SendMessageW(list, CB_GETLBTEXTLEN, row, 0) + 1, L'\0');
        text.resize(SendMessageW(list, CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(text.data())));
        view.servers.push_back(text);
    }
    return view;
}

void select_row(HWND dialog, int row) {
    SendDlgItemMessageW(dialog, IDC_CONNECT_SERVER_LIST, CB_SETCURSEL, row, 0);
    press(dialog, IDC_CONNECT_SERVER_LIST, CBN_SELCHANGE);
}

class ConnectDialogTest : public testing::Test {
protected:
    ChatClient& client = test_client();
    std::wstring folder;
    std::wstring ini;

    void SetUp() override {
        start_ui_posts();
        if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
        folder = use_fresh_folder(client, L"dialog");
        ini = folder + L"Settings\\Settings.ini";
        client.connection.host.clear();
        client.connection.port.clear();
        client.connection.nickname.clear();
        client.connection.username.clear();
        client.connection.public_ip = L"192.0.2.1";
        write(L"servers", L"server_name_1", L"irc.one.test");
        write(L"servers", L"server_port_1", L"6667");
        write(L"servers", L"server_nickname_1", L"Alpha1");
        write(L"servers", L"server_username_1", L"alphaa");
        // No user name: not offered.
        write(L"servers", L"server_name_2", L"irc.two.test");
        write(L"servers", L"server_port_2", L"7000");
        write(L"servers", L"server_nickname_2", L"Beta22");
        write(L"servers", L"server_name_4", L"irc.four.test");
        write(L"servers", L"server_port_4", L"6697");
        write(L"servers", L"server_nickname_4", L"Delta4");
        write(L"servers", L"server_username_4", L"deltaa");
        write(L"servers", L"server_tls_4", L"true");
    }
    void TearDown() override {
        stop_receive_thread(client);
        pump_messages();
    }

    void write(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
        WritePrivateProfileStringW(section, key, value, ini.c_str());
    }
    std::wstring read(const wchar_t* section, const wchar_t* key) {
        wchar_t value[256] = {};
        GetPrivateProfileStringW(section, key, L"", value, 256, ini.c_str());
        return value;
    }
    void write_defaults() {
        write(L"servers", L"server_name_default", L"irc.last.test");
        write(L"servers", L"server_port_default", L"6668");
        write(L"servers", L"server_nickname_default", L"Lastnick");
        write(L"servers", L"server_username_default", L"lastus");
    }

    // Shows the dialog modally and works it from inside its own loop, as a
    // user would; returns the dialog's result.
    INT_PTR run_dialog(const std::function<void(HWND)>& drive) {
        ConnectDialog dialog(client.instance, IDD_CONNECT, client.main_window, client, client.server_socket,
                             client.connection);
        INT_PTR result = 0;
        EXPECT_TRUE(run_modal([&] { result = dialog.show(); },
                              [&](HWND window) {
                                  EXPECT_EQ(window_text(window), dialog_caption);
                                  drive(window);
                              }))
            << "the dialog did not open";
        return result;
    }
};

TEST_F(ConnectDialogTest, OpensWithTheStoredServersAndTheLastConnection) {
    write_defaults();
    write(L"servers", L"server_tls_default", L"true");
    DialogView view;
    INT_PTR result = run_dialog([&](HWND dialog) {
        view = read_view(dialog);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(view.servers, (std::vector<std::wstring>{L"irc.one.test", L"irc.four.test"}));
    EXPECT_EQ(view.host, L"irc.last.test");
    EXPECT_EQ(view.port, L"6668");
    EXPECT_EQ(view.nickname, L"Lastnick");
    EXPECT_EQ(view.username, L"lastus");
    EXPECT_FALSE(view.random);
    EXPECT_TRUE(view.tls);
    EXPECT_EQ(client.server_socket.connected, 0);
}

TEST_F(ConnectDialogTest, ASelectedRowFillsTheFourFields) {
    DialogView first, second;
    run_dialog([&](HWND dialog) {
        select_row(dialog, 1);
        first = read_view(dialog);
        select_row(dialog, 0);
        second = read_view(dialog);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(first.host, L"irc.four.test");
    EXPECT_EQ(first.port, L"6697");
    EXPECT_EQ(first.nickname, L"Delta4");
    EXPECT_EQ(first.username, L"deltaa");
    EXPECT_TRUE(first.tls);
    EXPECT_EQ(second.host, L"irc.one.test");
    EXPECT_EQ(second.nickname, L"Alpha1");
    EXPECT_FALSE(second.tls);
}

TEST_F(ConnectDialogTest, RandomNicknameTogglesAndIsRemembered) {
    write_defaults();
    DialogView on, off;
    std::wstring stored_on, stored_off;
    run_dialog([&](HWND dialog) {
        click_box(dialog, IDC_CONNECT_RANDOM);
        on = read_view(dialog);
        stored_on = read(L"preferences", L"random_nickname");
        click_box(dialog, IDC_CONNECT_RANDOM);
        off = read_view(dialog);
        stored_off = read(L"preferences", L"random_nickname");
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(on.random);
    EXPECT_GE(on.nickname.size(), 6u);
    EXPECT_LE(on.nickname.size(), 10u);
    EXPECT_TRUE(iswupper(on.nickname[0]));
    EXPECT_EQ(on.username.size(), 6u);
    EXPECT_EQ(stored_on, L"true");
    EXPECT_FALSE(off.random);
    EXPECT_EQ(off.nickname, L"Lastnick");
    EXPECT_EQ(off.username, L"lastus");
    EXPECT_EQ(stored_off, L"false");
}

TEST_F(ConnectDialogTest, OnlyExactlyTrueOpensWithRandomNames) {
    write_defaults();
    const std::pair<const wchar_t*, bool> cases[] = {{L"true", true}, {L"true1", false}, {L"TRUE", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        write(L"preferences", L"random_nickname", c.first);
        DialogView view;
        run_dialog([&](HWND dialog) {
            view = read_view(dialog);
            SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(view.random, c.second);
        EXPECT_EQ(view.nickname != L"Lastnick", c.second);
        EXPECT_EQ(view.username.size(), 6u);
    }
}

TEST_F(ConnectDialogTest, ConnectWithAnEmptyFieldKeepsTheDialogOpen) {
    write(L"servers", L"server_name_default", L"127.0.0.1");
    write(L"servers", L"server_port_default", L"6667");
    const unsigned opened = client.server_socket.opened;
    bool open_after_connect = false;
    INT_PTR result = run_dialog([&](HWND dialog) {
        press(dialog, IDOK);
        // A dialog that Connect ended is hidden at once, though Close may still
        // overwrite its result.
        open_after_connect = IsWindowVisible(dialog) != FALSE;
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(open_after_connect);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(client.server_socket.opened, opened);  // no connection was started
    EXPECT_FALSE(contains(chat_text(client, 0), L"Connecting to IRC server 127.0.0.1:6667"));
}

TEST_F(ConnectDialogTest, ConnectClosesTheDialogAndRegisters) {
    unsigned short port = 0;
    SOCKET listener = listen_on_short_port(port);
    ASSERT_NE(listener, INVALID_SOCKET);
    write(L"servers", L"server_name_3", L"127.0.0.1");
    write(L"servers", L"server_port_3", std::to_wstring(port).c_str());
    write(L"servers", L"server_nickname_3", L"Gamma3");
    write(L"servers", L"server_username_3", L"gammaa");
    client.check_compatible_app = false;
    INT_PTR result = run_dialog([&](HWND dialog) {
        select_row(dialog, 1);  // rows: servers 1, 3 and 4
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    client.check_compatible_app = true;
    EXPECT_EQ(result, IDOK);
    SOCKET far_end = accept(listener, nullptr, nullptr);
    closesocket(listener);
    ASSERT_NE(far_end, INVALID_SOCKET);
    std::string received;
    wait_until([&] {
        char chunk[512];
        u_long waiting = 0;
        ioctlsocket(far_end, FIONREAD, &waiting);
        if (waiting) {
            int n = recv(far_end, chunk, sizeof chunk, 0);
            if (n > 0) received.append(chunk, n);
        }
        return received.find("USER") != std::string::npos && received.back() == '\n';
    });
    EXPECT_EQ(received, "CAP LS 302\r\nNICK Gamma3\r\nUSER gammaa gammaa gammaa :gammaa\r\n");
    EXPECT_EQ(client.connection.host, L"127.0.0.1");
    EXPECT_EQ(client.connection.port, std::to_wstring(port));
    EXPECT_EQ(client.connection.nickname, L"Gamma3");
    closesocket(far_end);
}

// Registration still pending: the dialog opened and closed again must not
// change who the live session is, and a second Connect replaces it whole.
TEST_F(ConnectDialogTest, ConnectDuringRegistrationKeepsThenReplacesTheSession) {
    unsigned short first_port = 0, second_port = 0;
    SOCKET first = listen_on_short_port(first_port);
    SOCKET second = listen_on_short_port(second_port);
    ASSERT_NE(first, INVALID_SOCKET);
    ASSERT_NE(second, INVALID_SOCKET);
    ASSERT_TRUE(connect_and_start(client, {L"127.0.0.1", std::to_wstring(first_port), L"Firstnick", L"firstu"}));
    SOCKET first_end = accept(first, nullptr, nullptr);
    ASSERT_NE(first_end, INVALID_SOCKET);

    write_defaults();  // the stored last connection differs from the live one
    EXPECT_EQ(run_dialog([](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }), IDCANCEL);
    EXPECT_EQ(client.connection.nickname, L"Firstnick");
    EXPECT_EQ(client.connection.username, L"firstu");
    EXPECT_EQ(client.connection.port, std::to_wstring(first_port));

    ASSERT_TRUE(connect_and_start(client, {L"127.0.0.1", std::to_wstring(second_port), L"Secondnick", L"secondu"}));
    SOCKET second_end = accept(second, nullptr, nullptr);
    ASSERT_NE(second_end, INVALID_SOCKET);
    // The first session is over before the second one began: by the time the
    // second registers, the first's far end has its close in hand already.
    std::string registering;
    wait_until([&] {
        char chunk[512];
        u_long waiting = 0;
        ioctlsocket(second_end, FIONREAD, &waiting);
        const int n = waiting ? recv(second_end, chunk, sizeof chunk, 0) : 0;
        if (n > 0) registering.append(chunk, n);
        return registering.find("NICK Secondnick") != std::string::npos;
    });
    ASSERT_NE(registering.find("NICK Secondnick"), std::string::npos);
    const auto closed_already = [](SOCKET sock) {
        for (;;) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(sock, &set);
            timeval now{0, 0};
            if (select(0, &set, nullptr, nullptr, &now) <= 0) return false;
            char chunk[4096];
            if (recv(sock, chunk, sizeof chunk, 0) <= 0) return true;
        }
    };
    EXPECT_TRUE(closed_already(first_end)) << "the first session outlived the second Connect";
    EXPECT_TRUE(receive_thread_running());
    EXPECT_EQ(client.connection.nickname, L"Secondnick");
    EXPECT_EQ(client.connection.port, std::to_wstring(second_port));
    for (SOCKET sock : {first, second, first_end, second_end}) closesocket(sock);
}

}  // namespace
