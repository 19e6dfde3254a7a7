// The receive thread must answer the server's PING whatever the window is
// doing: nothing it does may wait for the interface thread.
#include <algorithm>
#include <string>
#include <vector>

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "framework/message_box.h"
#include "irc/irc_line.h"
#include "irc_fixture.h"
#include "support/test_client.h"
#include "support/window_probe.h"

namespace {

using ReceiveThread = IrcTest;

// What a hostile or merely busy server sends that used to make the receive
// thread wait for the window: tabs opened and closed, a flood of new
// correspondents past the chat limit, repeated NAMES, refusals shown as boxes,
// notices, setters of chat state.
std::vector<std::wstring> busy_server_lines() {
    std::vector<std::wstring> lines = {L":me!u@h JOIN :#room", L":srv 332 me #room :the topic",
                                       L":srv 324 me #room +smk", L":op!u@h TOPIC #room :new topic"};
    for (int n = 0; n < 300; ++n) lines.push_back(L":srv 353 me = #room :@me +v bob carol dave");
    lines.push_back(L":bob!u@h PRIVMSG #room :me, are you there");
    lines.push_back(L":me!u@h PART #room");
    for (int n = 0; n < 40; ++n) {
        lines.push_back(format_text(L":nick%d!u@h PRIVMSG me :hello %d", n, n));
        lines.push_back(format_text(L":srv 302 me :nick%d=+z-zu@h", n));
        lines.push_back(format_text(L":srv 474 me #c%d :Cannot join channel (+b)", n));
    }
    lines.push_back(L":srv 303 me :bob");
    lines.push_back(L"PING :still-there");
    return lines;
}

TEST_F(ReceiveThread, AnswersPingWhileTheWindowDoesNotRespond) {
    client.enable_sounds_app = true;
    client.show_rejected_message = true;
    // A box the server raised stays open until the user closes it.
    HANDLE user_closes_box = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    set_message_box_hook([&](HWND, const wchar_t*, const wchar_t*, UINT) {
        WaitForSingleObject(user_closes_box, 30000);
        return IDOK;
    });
    // The interface thread is busy: it runs no message at all meanwhile.
    const bool answered_alone = run_while_window_busy(
        [&] {
            for (const std::wstring& line : busy_server_lines()) dispatch_line(client, line);
        },
        [&] { SetEvent(user_closes_box); });
    set_message_box_hook([](HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; });
    pump_messages();  // the boxes still waiting are closed at once
    CloseHandle(user_closes_box);
    ASSERT_TRUE(answered_alone) << "the receive thread waited for the window";
    const std::vector<std::string> sent = sent_lines();
    // The answer goes ahead of lines still waiting to be sent.
    EXPECT_NE(std::find(sent.begin(), sent.end(), "PONG :still-there"), sent.end());

    // Once the window gets to it, everything handed over lands.
    write_out_queue(client);
    EXPECT_EQ(find_chat(client, L"#room"), -1);
    EXPECT_EQ(client.private_chat_count, 17);  // the server tab and 16 private chats
    EXPECT_EQ(find_chat(client, L"nick15"), 16);
    EXPECT_EQ(find_chat(client, L"nick16"), -1);
    EXPECT_TRUE(client.chats[16].peer_ready);
    EXPECT_EQ(chat_texts(16).back(), L"[nick15] - hello 15");
    EXPECT_EQ(status_text(0), L"Chats limit");
}

// The handlers read the preferences as they are now, on whichever thread:
// a switch changed between two lines applies to the second.
TEST_F(ReceiveThread, SeesPreferencesChangedWhileItRuns) {
    client.allow_open_private_chats = false;
    dispatch_from_receive_thread({L":early!u@h PRIVMSG me :hi"});
    client.allow_open_private_chats = true;
    dispatch_from_receive_thread({L":late!u@h PRIVMSG me :hi"});
    EXPECT_EQ(find_chat(client, L"early"), -1);
    EXPECT_GT(find_chat(client, L"late"), 0);
}

}  // namespace
