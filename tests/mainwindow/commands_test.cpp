// The main window's chat and channel commands, sent as the menu and buttons
// send them, with the lines the server receives read on a real socket.
#include "window_fixture.h"

#include <commctrl.h>

#include <thread>

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/user_list.h"
#include "controls/buffer_edit.h"
#include "framework/message_box.h"
#include "links/open_link.h"
#include "mainwindow/main_window.h"
#include "support/net_test_support.h"
#include "resources/resource_ids.h"
#include "support/box_recorder.h"
#include "support/loopback.h"
#include "support/modal_dialog.h"
#include "support/rich_text.h"
#include "support/test_client.h"

namespace {
using net_test::wait_until;

enum class Tab { server, private_chat, channel };

std::vector<std::pair<std::wstring, int>> opened;

class CommandsTest : public MainWindowTest {
protected:
    std::unique_ptr<LoopbackServer> server;
    std::unique_ptr<BoxRecorder> boxes;
    int alice = -1, room = -1;

    void SetUp() override {
        MainWindowTest::SetUp();
        opened.clear();
        boxes = std::make_unique<BoxRecorder>();
        set_link_opener([](const std::wstring& link, int show) { opened.emplace_back(link, show); });
        client.connection.nickname = L"bob";
        for (FavoriteChannel& favourite : client.favorite_channels) favourite = FavoriteChannel{};
        server = std::make_unique<LoopbackServer>();
        ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server->port()));
        ASSERT_TRUE(server->accept_client());
        alice = create_chat(client, L"alice", false);
        room = create_chat(client, L"#room", true);
        ASSERT_GT(alice, 0);
        ASSERT_GT(room, 0);
        pump_messages();
        for (const wchar_t* user : {L"@bob", L"carol", L"+dave", L"bobby", L"Bob"}) add_user(client, room, user);
        refresh_user_list(client, room);
        pump_messages();
        received();  // what opening the chats asked the server
    }
    void TearDown() override {
        set_link_opener(nullptr);
        if (disconnect_pending()) finish_pending_disconnect(client);
        if (client.server_socket.connected) close_connection(client.server_socket);
        server.reset();
        boxes.reset();
        MainWindowTest::TearDown();
    }
    int slot_of(Tab tab) const { return tab == Tab::server ? 0 : tab == Tab::private_chat ? alice : room; }
    void command(int id) { SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void pick_user(const wchar_t* entry) {
        HWND list = client.chats[room].user_list;
        const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(entry));
        ASSERT_NE(index, CB_ERR) << entry;
        SendMessageW(list, CB_SETCURSEL, index, 0);
        SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
    std::vector<std::string> received() { return sent_lines(client.server_socket, *server); }
};
}  // namespace

TEST_F(CommandsTest, CommandTable) {
    copy_text(client.favorite_channels[1].name, L"room");  // no password: not this one
    copy_text(client.favorite_channels[3].name, L"ROOM");
    copy_text(client.favorite_channels[3].password, L"Tulip99");
    using Lines = std::vector<std::string>;
    struct Case {
        int id;
        Tab tab;
        const wchar_t* user;
        Lines lines;
        const wchar_t* title;
        const wchar_t* text;
        bool ChatRecord::*flag;
    } cases[] = {
        {IDM_SECRET_ON, Tab::channel, nullptr, {"MODE #room +s", "MODE #room +p"}, L"SecretChan ON",
         L"Don't show this channel in the channel list of the server", nullptr},
        {IDM_SECRET_OFF, Tab::channel, nullptr, {"MODE #room -s", "MODE #room -p"}, L"SecretChan OFF",
         L"Show this channel in the channel list of the server", nullptr},
        {IDM_MODERATED_ON, Tab::channel, nullptr, {"MODE #room +m"}, L"ModeratedChan ON",
         L"Only operators and users with voice can send messages to channel", nullptr},
        {IDM_MODERATED_OFF, Tab::channel, nullptr, {"MODE #room -m"}, L"ModeratedChan OFF",
         L"All users can send messages to channel", nullptr},
        {IDM_PASSWORD_ON, Tab::channel, nullptr, {"MODE #room +k Tulip99"}, L"Password ON",
         L"The following access password has been set for this channel: Tulip99", nullptr},
        {IDM_PASSWORD_OFF, Tab::channel, nullptr, {"MODE #room -k Tulip99"}, L"Password OFF",
         L"The access password for this channel has been removed: Tulip99", nullptr},
        {IDC_KICK, Tab::channel, L"carol", {"KICK #room carol", "MODE #room +b carol!*@*"}, L"", L"", nullptr},
        // The own nickname and every nickname that begins with it are refused;
        // letter case counts.
        {IDC_KICK, Tab::channel, L"@bob", {}, L"", L"", nullptr},
        {IDC_KICK, Tab::channel, L"bobby", {}, L"", L"", nullptr},
        {IDC_KICK, Tab::channel, L"Bob", {"KICK #room Bob", "MODE #room +b Bob!*@*"}, L"", L"", nullptr},
        {IDC_VOICE_ON, Tab::channel, L"carol", {"MODE #room +v carol"}, L"Voice ON",
         L"User carol can send messages to channel", nullptr},
        {IDC_VOICE_OFF, Tab::channel, L"+dave", {"MODE #room -v dave"}, L"Voice OFF",
         L"User dave can't send messages to channel", nullptr},
        {IDC_VOICE_ON, Tab::channel, L"@bob", {}, L"", L"", nullptr},
        {IDM_SILENCE_ON, Tab::private_chat, nullptr, {"SILENCE +alice"}, L"Silence ON",
         L"Don't allow to receive messages from alice", nullptr},
        {IDM_SILENCE_OFF, Tab::private_chat, nullptr, {"SILENCE -alice"}, L"Silence OFF",
         L"Allow to receive messages from alice", nullptr},
        {IDM_USERS_IN_OUT, Tab::channel, nullptr, {}, L"Users In/Out ON", L"Show users that join and leave this channel",
         &ChatRecord::show_users_in_out},
        {IDM_AUTO_PROCESS_LINKS, Tab::private_chat, nullptr, {}, L"Process http ON",
         L"Auto-process 'http' links to files in messages.", &ChatRecord::process_links},
        {IDM_MESSAGE_SOUND, Tab::channel, nullptr, {}, L"MsgSound ON", L"Play sound when message is received.",
         &ChatRecord::message_sound},
        {IDM_MESSAGE_SOUND, Tab::channel, nullptr, {}, L"MsgSound OFF", L"No play sound when message is received.",
         &ChatRecord::message_sound},
        // A command on a kind of tab it does not apply to does nothing.
        {IDM_SILENCE_ON, Tab::channel, nullptr, {}, L"", L"", nullptr},
        {IDM_SECRET_ON, Tab::server, nullptr, {}, L"", L"", nullptr},
        {IDM_MODERATED_ON, Tab::private_chat, nullptr, {}, L"", L"", nullptr},
        {IDC_KICK, Tab::private_chat, nullptr, {}, L"", L"", nullptr},
        {IDM_AUTO_PROCESS_LINKS, Tab::server, nullptr, {}, L"", L"", &ChatRecord::process_links},
        {IDM_USERS_IN_OUT, Tab::private_chat, nullptr, {}, L"", L"", &ChatRecord::show_users_in_out},
    };
    for (const Case& c : cases) {
        const int slot = slot_of(c.tab);
        click_tab(slot);
        if (c.user) pick_user(c.user);
        show_status_notice("", "");
        const bool before = c.flag ? client.chats[slot].*c.flag : false;
        command(c.id);
        EXPECT_EQ(received(), c.lines) << c.id << " on slot " << slot;
        EXPECT_EQ(status_text(0), c.title) << c.id;
        EXPECT_EQ(status_text(1), c.text) << c.id;
        if (c.flag) {
            EXPECT_EQ(client.chats[slot].*c.flag, before != (c.text[0] != 0)) << c.id;
        }
    }
    EXPECT_EQ(boxes->take(), L"");
}

TEST_F(CommandsTest, PasswordWithoutAStoredOneAsksForIt) {
    click_tab(room);
    command(IDM_PASSWORD_ON);
    EXPECT_TRUE(received().empty());
    EXPECT_EQ(boxes->take(), L"Password not defined: Password not defined for this channel.\n"
                             L"Use menu bar option 'Settings/Channels'.\n");
}

TEST_F(CommandsTest, ClosingAChannelPartsAndAPrivateChatSendsNothing) {
    click_tab(room);
    command(IDC_CLOSE_TAB);
    EXPECT_EQ(received(), std::vector<std::string>{"PART #room"});
    EXPECT_EQ(client.current_chat, &client.chats[0]);
    EXPECT_EQ(find_chat(client, L"#room"), -1);
    click_tab(alice);
    command(IDC_CLOSE_TAB);
    EXPECT_TRUE(received().empty());
    EXPECT_EQ(find_chat(client, L"alice"), -1);
    EXPECT_EQ(client.current_chat, &client.chats[0]);
    command(IDC_CLOSE_TAB);  // never the server tab
    EXPECT_TRUE(client.chats[0].in_use);
}

TEST_F(CommandsTest, MessagesSwitchChecksAndUserList) {
    click_tab(room);
    command(IDM_MESSAGES);
    EXPECT_FALSE(client.chats[room].show_messages);
    EXPECT_EQ(status_text(0), L"Hide Messages");
    EXPECT_NE(rich_edit_text(client.chats[room].buffer->window).find(L"Set: Don't show messages from the channel"),
              std::wstring::npos);

    copy_text(client.chats[room].password, L"Tulip9");
    command(IDC_ENCRYPT_CHECK);
    EXPECT_TRUE(client.chats[room].encrypt_messages);
    EXPECT_EQ(SendMessageW(client.encrypt_check, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(IsWindowVisible(client.encrypt_banner));
    command(IDC_ENCRYPT_CHECK);
    EXPECT_FALSE(client.chats[room].encrypt_messages);
    EXPECT_FALSE(IsWindowVisible(client.encrypt_banner));

    SendMessageW(client.filter_users_check, BM_SETCHECK, BST_CHECKED, 0);
    command(IDC_FILTER_USERS);
    EXPECT_TRUE(client.chats[room].filter_users);

    HWND list = client.chats[room].user_list;
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(0, CBN_DROPDOWN), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(client.chats[room].user_list_state, 7u);
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(0, CBN_CLOSEUP), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(client.chats[room].user_list_state, 8u);
    client.chats[room].filter_users = false;
    client.chats[room].is_operator = false;
    refresh_user_list(client, room);
    pick_user(L"carol");
    EXPECT_TRUE(IsWindowEnabled(client.private_chat_button));
    EXPECT_FALSE(IsWindowEnabled(client.kick_button));
    client.chats[room].is_operator = true;
    client.chats[room].moderated = true;
    pick_user(L"carol");
    EXPECT_TRUE(IsWindowEnabled(client.kick_button));
    EXPECT_TRUE(IsWindowEnabled(client.voice_on_button));

    command(IDC_PRIVATE_CHAT);
    pump_messages();
    const int carol = find_chat(client, L"carol");
    ASSERT_GT(carol, 0);
    EXPECT_EQ(client.current_chat, &client.chats[carol]);
}

TEST_F(CommandsTest, SendPasteClearSaveAndWebsite) {
    click_tab(room);
    SetWindowTextW(client.input_window, L"typed line");
    command(IDC_SEND);
    pump_messages();
    EXPECT_EQ(received(), std::vector<std::string>{"PRIVMSG #room :typed line"});

    const std::wstring pasted = L"pasted line";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(block), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
    command(IDC_PASTE_SEND);
    pump_messages();
    EXPECT_EQ(received(), std::vector<std::string>{"PRIVMSG #room :pasted line"});

    command(IDC_SAVE_CHAT);
    EXPECT_EQ(status_text(0), L"Chat file");
    EXPECT_NE(status_text(1).find(L"\\Downloads\\Chat_#room_"), std::wstring::npos) << status_text(1);
    command(IDC_CLEAR);
    EXPECT_EQ(rich_edit_text(client.chats[room].buffer->window), L"");

    command(IDM_WEBSITE);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first.substr(0, 8), L"https://");
    EXPECT_EQ(opened[0].first.substr(opened[0].first.find(L'/', 8)), L"/quillmere/index.html");
    EXPECT_EQ(opened[0].second, SW_SHOWNORMAL);
}

// QUIT is given time to leave while the window keeps working; the server
// closing its side, the time running out, or a new Connect ends the wait.
TEST_F(CommandsTest, DisconnectDrainsWithoutFreezingTheWindow) {
    command(IDM_DISCONNECT);
    EXPECT_EQ(server->receive_line(), "QUIT");
    EXPECT_TRUE(disconnect_pending());
    EXPECT_GT(find_chat(client, L"#room"), 0);
    server->close_client();
    ASSERT_TRUE(wait_until([] { return !disconnect_pending(); })) << "the closed connection did not end the wait";
    EXPECT_EQ(find_chat(client, L"#room"), -1);
    EXPECT_EQ(find_chat(client, L"alice"), -1);
    EXPECT_TRUE(menu_enabled(IDM_CONNECT));
    EXPECT_TRUE(menu_greyed(IDM_DISCONNECT));
    EXPECT_NE(rich_edit_text(client.chats[0].buffer->window).find(L"**** Disconnect by user ****"),
              std::wstring::npos);

    // A server that never closes: the wait still ends (after two seconds; the
    // guard here only stops a wait that would never end).
    server = std::make_unique<LoopbackServer>();
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server->port()));
    ASSERT_TRUE(server->accept_client());
    command(IDM_DISCONNECT);
    ASSERT_TRUE(disconnect_pending());
    ASSERT_TRUE(wait_until([] { return !disconnect_pending(); }, 60000)) << "the wait for the server never ended";
    EXPECT_FALSE(client.server_socket.connected);
    EXPECT_TRUE(server->wait_closed());

    // Connect during the wait finishes it before the dialog opens.
    server = std::make_unique<LoopbackServer>();
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server->port()));
    ASSERT_TRUE(server->accept_client());
    command(IDM_DISCONNECT);
    ASSERT_TRUE(disconnect_pending());
    bool pending_when_dialog_opened = true;
    EXPECT_TRUE(run_modal([&] { command(IDM_CONNECT); },
                          [&](HWND dialog) {
                              pending_when_dialog_opened = disconnect_pending();
                              EXPECT_EQ(window_text(dialog), L"Connection to IRC server");
                              press(dialog, IDCANCEL);
                          }))
        << "the Connect dialog did not open";
    EXPECT_FALSE(pending_when_dialog_opened);
    EXPECT_FALSE(client.server_socket.connected);
    EXPECT_TRUE(menu_enabled(IDM_CONNECT));
}
