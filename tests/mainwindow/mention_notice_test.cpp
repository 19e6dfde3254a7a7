#include <windows.h>
#include <shellapi.h>

#include "chat/chat_tabs.h"
#include "mainwindow/mention_notice.h"
#include "support/test_client.h"
#include "window_fixture.h"

namespace {

TEST(NoticeGate, OneNoticePerChatPerTenSeconds) {
    ULONGLONG now = 0;
    NoticeGate gate([&now] { return now; });
    struct Case {
        ULONGLONG at;
        int slot;
        unsigned generation;
        bool admitted;
    };
    const Case cases[] = {
        {1000, 5, 1, true},    {1001, 5, 1, false},  {6000, 6, 1, true},   {10999, 5, 1, false},
        {11000, 5, 1, true},   {11001, 5, 2, true},  {11002, 5, 2, false}, {15999, 6, 1, false},
        {16000, 6, 1, true},   {16000, -1, 1, false}, {16000, 34, 1, false},
    };
    for (const Case& c : cases) {
        now = c.at;
        EXPECT_EQ(gate.admit(c.slot, c.generation), c.admitted) << c.at << " slot " << c.slot;
    }
}

using MentionNotices = MainWindowTest;

TEST_F(MentionNotices, NoticeOnlyBehindOtherWindowsWhenWantedAndItsClickSelectsTheChat) {
    const int channel = create_chat(client, L"#room", true);
    pump_messages();
    click_tab(0);
    ULONGLONG now = 50000;
    NoticeGate gate([&now] { return now; });
    MentionNotice notice{channel, client.chats[channel].generation, L"#room", L"bob", L"me: look"};

    EXPECT_FALSE(show_mention(client, notice, gate, true)) << "the window in front needs no notice";
    client.notify_on_mention = false;
    EXPECT_FALSE(show_mention(client, notice, gate, false));
    client.notify_on_mention = true;
    // The gate has let nothing through yet: the first notice behind other windows goes out.
    EXPECT_TRUE(gate.admit(channel, notice.generation));
    now += 10000;
    show_mention(client, notice, gate, false);
    EXPECT_FALSE(gate.admit(channel, notice.generation)) << "the notice took the chat's turn";

    SendMessageW(client.main_window, msg_mention_icon, 1, NIN_BALLOONUSERCLICK);
    EXPECT_EQ(client.current_chat, &client.chats[channel]);
    remove_mention_icon(client);
}

}  // namespace
