#include "numerics_fixture.h"
#include <algorithm>
#include <memory>

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

// A server can send these by the thousand: one box at a time, the rest as
// error lines in the server tab.
TEST_F(NumericsTest, JoinRefusalsAreOneBoxAtATimeThatDoesNotHoldUpReceiving) {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        // Each refusal on its own gets its box once the previous one is closed.
        feed(c.line);
        EXPECT_EQ(boxes.count(), 0u);  // the handler has returned; the box waits
        pump_messages();
        EXPECT_EQ(boxes.take(), std::wstring(c.caption) + L": " + c.text + L"\n");
    }
    EXPECT_EQ(text_of(0), L"");

    // A burst: the first is a box, the others lines (on one line each).
    for (const Case& c : cases) feed(c.line);
    pump_messages();
    const std::vector<BoxRecorder::Box> burst = boxes.take_boxes();
    ASSERT_EQ(burst.size(), 1u);
    EXPECT_EQ(burst[0].caption, cases[0].caption);
    std::wstring lines;
    for (size_t i = 1; i < std::size(cases); ++i) {
        std::wstring line = cases[i].text;
        std::replace(line.begin(), line.end(), L'\n', L' ');
        lines += line + L"\r\n";
    }
    EXPECT_EQ(text_of(0), lines);
}

TEST_F(NumericsTest, RefusedNicknamesEndTheConnection) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L":srv 432 * bad nick :Erroneous nickname", L"Invalid Nickname"},
        {L":srv 433 * taken :Nickname already in use", L"Nickname is already in use"},
    };
    // The fixture's connection serves the first case, a new one each later case.
    std::unique_ptr<LoopbackServer> next;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        LoopbackServer* far_end = &server;
        if (!client.server_socket.connected) {
            next = std::make_unique<LoopbackServer>();
            ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", next->port()));
            ASSERT_TRUE(next->accept_client());
            far_end = next.get();
        }
        clear_chat(client, 0);
        feed(c.first);
        EXPECT_TRUE(far_end->wait_closed());
        EXPECT_EQ(client.server_socket.connected, 0);
        EXPECT_EQ(text_of(0), std::wstring(c.second) + L"\r\n");
    }
}

}  // namespace
