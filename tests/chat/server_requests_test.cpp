#include <cwchar>
#include <string>
#include <thread>

#include "chat/chat_tabs.h"
#include "chat_fixture.h"
#include "framework/message_box.h"
#include "support/box_recorder.h"
#include "support/loopback.h"

namespace {

// A chat test with the client connected to a far end played by the test.
class ServerRequests : public ChatTest {
protected:
    LoopbackServer server;

    void SetUp() override {
        ChatTest::SetUp();
        ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
        ASSERT_TRUE(server.accept_client());
    }

    // Everything the client sent since the last call: a marker line is sent
    // last, so "nothing sent" needs no waiting for a timeout.
    std::string lines_sent() {
        std::string all;
        for (const std::string& line : sent_lines(client.server_socket, server)) all += line + "\n";
        return all;
    }
};

TEST_F(ServerRequests, PrivateChatAsksForUserhostAndWhoisChannelAsksNothing) {
    const int slot = open_private_chat(client, L"carol", false);
    ASSERT_GT(slot, 0);
    EXPECT_EQ(lines_sent(), "USERHOST carol\nWHOIS carol\n");
    EXPECT_EQ(buffer_text(slot), L"********** Private chat with [ carol ] **********\r\n\r\n");
    EXPECT_TRUE(client.chats[slot].unread);  // opened, not selected

    ASSERT_GT(create_chat(client, L"#quiet", true), 0);
    EXPECT_EQ(lines_sent(), "");
}

TEST_F(ServerRequests, JoinSendsTheNameWithoutItsMarkAndTheKey) {
    ASSERT_GT(create_chat(client, L"#joined", true), 0);
    struct Case {
        const wchar_t* channel;
        const wchar_t* key;
        const char* sent;
        const wchar_t* channel_after;
    } cases[] = {
        {L"#room", L"", "JOIN #room\n", L"room"},
        {L"room", L"pw", "JOIN #room pw\n", L"room"},
        {L"#room", nullptr, "JOIN #room\n", L"room"},
        {L"#joined", L"", "", L"#joined"},  // already there
        {L"joined", L"", "", L"joined"},
        {L"", L"", "", L""},
        {L"#", L"", "", L""},
        // Nothing that the server would read as a second channel or command.
        {L"#a b", L"", "", L"a b"},
        {L"#a,#b", L"", "", L"a,#b"},
        {L"#x\r\nQUIT", L"", "", L"x\r\nQUIT"},
        {L"#x", L"k\r\nQUIT", "", L"x"},
    };
    for (const Case& c : cases) {
        wchar_t channel[64];
        wcscpy(channel, c.channel);
        request_join(channel, client, c.key);
        EXPECT_EQ(lines_sent(), c.sent) << c.channel;
        EXPECT_STREQ(channel, c.channel_after);
    }
    EXPECT_NE(buffer_text(0).find(L"Channel name or key not valid: #a b"), std::wstring::npos);
}

TEST_F(ServerRequests, EighteenthChannelIsRefusedWithABoxAndNoJoin) {
    BoxRecorder boxes;
    for (int n = 1; n <= 16; ++n) ASSERT_GT(create_chat(client, (L"#c" + std::to_wstring(n)).c_str(), true), 0);
    wchar_t seventeenth[] = L"#c17";
    request_join(seventeenth, client, L"");
    EXPECT_EQ(lines_sent(), "JOIN #c17\n");
    EXPECT_EQ(boxes.count(), 0u);

    ASSERT_EQ(create_chat(client, L"#c17", true), 33);
    wchar_t eighteenth[] = L"#c18";
    request_join(eighteenth, client, L"");
    EXPECT_EQ(lines_sent(), "");
    wait_until([&] { return boxes.count() > 0; });  // posted: shown once the caller returns
    const std::vector<BoxRecorder::Box> shown = boxes.take_boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"You can't open more channels.");
    EXPECT_EQ(shown[0].caption, L"Channels limit");
    EXPECT_EQ(shown[0].flags, UINT(MB_OK));
    EXPECT_EQ(create_chat(client, L"#c18", true), -1);
}

// A task meeting the channel limit posts its box; one running a box itself
// finds the queue going on inside it. The line queued behind shows meanwhile.
TEST_F(ServerRequests, LinesQueuedBehindATaskWithABoxAppearWhileTheBoxIsOpen) {
    for (int n = 1; n <= 17; ++n) ASSERT_GT(create_chat(client, (L"#c" + std::to_wstring(n)).c_str(), true), 0);
    for (const bool own_box : {false, true}) {
        bool task_returned = false, shown = false, after_task = false, line_seen = false;
        set_message_box_hook([&](HWND, const wchar_t*, const wchar_t*, UINT) {
            after_task = task_returned;
            line_seen = wait_until([&] { return buffer_text(0).find(L"behind the box") != std::wstring::npos; });
            return shown = true, IDOK;
        });
        std::thread([&] {
            post_ui_task(client, [&] {
                wchar_t channel[] = L"#c18";
                own_box ? void(show_message_box(nullptr, L"", L"", MB_OK)) : request_join(channel, client, L"");
                task_returned = true;
            });
            append_server_line(client, L"behind the box");
        }).join();
        ASSERT_TRUE(wait_until([&] { return shown; }));
        EXPECT_TRUE(line_seen && after_task != own_box) << own_box;
        clear_chat(client, 0);
    }
}

TEST_F(ServerRequests, JoinWhileDisconnectedSendsNothing) {
    close_connection(client.server_socket);
    wchar_t channel[] = L"#room";
    request_join(channel, client, L"");
    EXPECT_STREQ(channel, L"room");
    EXPECT_EQ(server.receive_all(), "");
}

}  // namespace
