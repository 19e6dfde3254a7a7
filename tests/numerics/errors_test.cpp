#include "numerics_fixture.h"

namespace {
using namespace net_test;

TEST_F(NumericsTest, ErrorsAboutAChatAreShownInIt) {
    const int alice = open_chat(L"alice", false);
    const int room = open_chat(L"#room", true);
    select(0);
    struct Case {
        const wchar_t* line;
        int slot;
        const wchar_t* text;
    } cases[] = {
        {L":srv 401 me alice :No such nick", alice, L"This user is no longer online"},
        {L":srv 404 me #room :Cannot send to channel", room, L"You can't send messages to channel, is moderated"},
        {L":srv 441 me bob #room :They aren't on that channel", room, L"User [bob] is not in this channel"},
        {L":srv 716 me alice :is in +g mode", alice, L"This user doesn't accept messages"},
        {L":srv 401 me nobody :No such nick", -1, nullptr},
        {L":srv 441 me bob #gone :They aren't on that channel", -1, nullptr},
        {L":srv 486 me alice :You must log in", -1, nullptr},  // the server tab is selected
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        for (int slot : {0, alice, room}) clear_chat(client, slot);
        feed(c.line);
        for (int slot : {0, alice, room})
            EXPECT_EQ(text_of(slot), slot == c.slot ? std::wstring(c.text) + L"\r\n" : L"") << slot;
    }
    select(alice);
    clear_chat(client, alice);
    feed(L":srv 486 me alice :You must log in");
    EXPECT_EQ(text_of(alice), L"This user only accepts private chats from registered users\r\n");
}

TEST_F(NumericsTest, JoinRefusalsAreBoxesThatDoNotHoldUpReceiving) {
    struct Case {
        const wchar_t* line;
        const wchar_t* text;
        const wchar_t* caption;
    } cases[] = {
        {L":srv 437 me #c :Nick/channel is temporarily unavailable", L"Channel is temporarily unavailable",
         L"Channel unavailable."},
        {L":srv 474 me #c :Cannot join channel (+b)", L"Cannot join channel.\nYou're banned in this channel.",
         L"Banned"},
        {L":srv 475 me #c :Cannot join channel (+k)",
         L"Cannot join channel.\nPassword required to enter this channel.", L"Password required"},
        {L":srv 477 me #c :Cannot join channel (+r)",
         L"Cannot join channel.\nRegistered nickname required to enter this channel.", L"Registered nickname"},
        {L":srv 482 me #c :You're not channel operator",
         L"You're not channel operator.\nYou need to be an operator (@) of the channel to perform this action.",
         L"Operator privileges required"},
    };
    BoxRecorder boxes;
    for (const Case& c : cases) feed(c.line);
    // The handler has returned; the boxes wait for the user-interface thread.
    EXPECT_EQ(boxes.count(), 0u);
    pump_messages();
    ASSERT_EQ(boxes.count(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(boxes.boxes[i].text, cases[i].text);
        EXPECT_EQ(boxes.boxes[i].caption, cases[i].caption);
    }
    EXPECT_EQ(text_of(0), L"");
}

TEST_F(NumericsTest, RefusedNicknamesEndTheConnection) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L":srv 432 * bad nick :Erroneous nickname", L"Invalid Nickname"},
        {L":srv 433 * taken :Nickname already in use", L"Nickname is already in use"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        if (!client.server_socket.connected) {
            LoopbackServer next;
            ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", next.port()));
            ASSERT_TRUE(next.accept_client());
            clear_chat(client, 0);
            feed(c.first);
            EXPECT_TRUE(next.wait_closed());
        } else {
            clear_chat(client, 0);
            feed(c.first);
            EXPECT_TRUE(server.wait_closed());
        }
        EXPECT_EQ(client.server_socket.connected, 0);
        EXPECT_EQ(text_of(0), std::wstring(c.second) + L"\r\n");
    }
}

}  // namespace
