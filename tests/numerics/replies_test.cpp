#include <atomic>
#include <mutex>
#include <thread>

#include "app/wire_text.h"
#include "chat/append_queue.h"
#include "chat/chat_tabs.h"
#include "chat/user_list.h"
#include "dialogs/directory_view.h"
#include "irc/directory_rows.h"
#include "irc/irc_line.h"
#include "settings/directory_cache.h"
#include "mainwindow/main_window.h"
#include "numerics_fixture.h"

namespace {
using namespace net_test;

TEST_F(NumericsTest, ServerTextsAreShownFromTheirPosition) {
    struct Case {
        const wchar_t* line;
        const wchar_t* shown;  // nullptr: nothing shown
    } cases[] = {
        {L":srv 002 me :Your host is srv", L"Your host is srv"},
        {L":srv 003 me :This server was created today", L"This server was created today"},
        {L":srv 251 me :There are 3 users", L"There are 3 users"},
        {L":srv 255 me :I have 3 clients", L"I have 3 clients"},
        {L":srv 265 me 1 1 :Current local users: 1", L" 1 :Current local users: 1"},  // positional
        {L":srv 372 me :- message  of the day", L"- message  of the day"},
        {L":srv 375 me :- srv message of the day", L"- srv message of the day"},
        {L":srv 004 me srv ngircd-26 abc def", L"srv ngircd-26 abc def"},
        {L":srv 005 me NICKLEN=30 :are supported", L"NICKLEN=30 :are supported"},
        {L":srv 999 me :x", L":srv 999 me :x"},
        {L":srv 378 me alice :is connecting from *@h", L":srv 378 me alice :is connecting from *@h"},
        {L":srv 329 me #c 123", nullptr},
        {L":srv 451 me :You have not registered", nullptr},
        {L":srv 323 me :End of LIST", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        clear_chat(client, 0);
        feed(c.line);
        EXPECT_EQ(text_of(0), c.shown ? std::wstring(c.shown) + L"\r\n" : std::wstring());
    }
}

TEST_F(NumericsTest, WelcomeSetsTheNicknameTheServerGranted) {
    feed(L":srv 001 Bob :Welcome to the network");
    EXPECT_EQ(client.connection.nickname, L"Bob");
    EXPECT_EQ(text_of(0), L"Welcome to the network\r\n");
    feed(L":srv 001 " + std::wstring(40, L'n') + L" :Welcome");
    EXPECT_EQ(client.connection.nickname, std::wstring(34, L'n'));
}

TEST_F(NumericsTest, WhoisLinesAreCollectedAndShownForTheSelectedChat) {
    const int alice = open_chat(L"alice", false);
    const int bob = open_chat(L"bob", false);
    select(alice);
    feed(L":srv 311 me alice ~z-zabc host.test * :Alice A");
    feed(L":srv 312 me alice srv :The server");
    feed(L":srv 311 me nobody ~x h * :Not open");
    feed(L":srv 317 me alice");  // nothing after the nickname
    feed(L":srv 311 me bob ~b h * :Bob B");
    SetWindowTextW(client.user_info_edit, L"before");
    feed(L":srv 318 me bob :End of WHOIS list");
    EXPECT_EQ(window_text(client.user_info_edit), L"before");  // bob is not selected
    feed(L":srv 318 me alice :End of WHOIS list");
    EXPECT_EQ(window_text(client.user_info_edit), L" ~z-zabc host.test * :Alice A\r\n srv :The server\r\n\r\n");
    {
        std::lock_guard<std::mutex> guard(client.chats[bob].lock);
        EXPECT_EQ(client.chats[bob].whois_lines, std::vector<std::string>{" ~b h * :Bob B"});
    }
    for (int i = 0; i < 300; ++i) feed(L":srv 319 me bob :#c" + std::to_wstring(i));
    std::lock_guard<std::mutex> guard(client.chats[bob].lock);
    EXPECT_EQ(client.chats[bob].whois_lines.size(), 256u);
    EXPECT_EQ(client.chats[bob].whois_lines.back(), " :#c299");
}

TEST_F(NumericsTest, UserhostReplyMarksCompatibleCorrespondents) {
    struct Case {
        const wchar_t* line;
        const wchar_t* user_host;
        bool ready;
    } cases[] = {
        {L":srv 302 me :alice=+~z-zabc@host.test", L"z-zabc@host.test", true},
        {L":srv 302 me :alice=+Z-Zabc@h", L"Z-Zabc@h", true},
        {L":srv 302 me :alice=+plain@h", L"plain@h", false},
        {L":srv 302 me :alice=-~z-zabc@h", L"", false},  // away
        {L":srv 302 me :alice*=+z-zop@h", L"z-zop@h", true},  // IRC operator
        {L":srv 302 me :alice=+~z-zabc@h bob=+z-zb@h2 carol=+c@h3", L"z-zabc@h", true},
        {L":srv 302 me :bob=+z-zb@h alice=+z-za@h", L"", false},  // first entry only
        {L":srv 302 me :nobody=+z-zx@h", L"", false},
        {L":srv 302 me :alice", L"", false},
        {L":srv 302 me :alice=", L"", false},
        {L":srv 302 me :", L"", false},
    };
    int alice = -1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        reopen(alice, L"alice", false);
        feed(c.line);
        pump_messages();
        EXPECT_EQ(std::wstring(client.chats[alice].user_host), c.user_host);
        EXPECT_EQ(client.chats[alice].peer_ready, c.ready);
    }
}

TEST_F(NumericsTest, IsonReplyMarksFavouritesOnline) {
    const wchar_t* favourites[] = {L"alice", L"bob", L"Carol"};
    for (int n = 1; n <= favorite_nickname_count; ++n) {
        copy_text(client.favorite_nicknames[n].nickname, n <= 3 ? favourites[n - 1] : L"");
    }
    struct Case {
        const wchar_t* line;
        std::vector<bool> online;  // alice, bob, Carol
        bool notice;
    } cases[] = {
        {L":srv 303 me :bob", {false, true, false}, true},
        {L":srv 303 me :alice Carol zed", {true, false, true}, true},
        {L":srv 303 me :carol", {false, false, false}, false},  // case-sensitive
        {L":srv 303 me :", {false, false, false}, false},
        {L":srv 303 me :  bob  ", {false, true, false}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        for (auto& favourite : client.favorite_nicknames) favourite.online = false;
        show_status_notice("", "");
        speaker.clear();
        feed(c.line);
        for (int n = 1; n <= 3; ++n) EXPECT_EQ(client.favorite_nicknames[n].online, c.online[n - 1]) << n;
        EXPECT_EQ(IsWindowEnabled(client.nicknames_online_button) != FALSE, c.notice);
        EXPECT_EQ(status_text(client, 0), c.notice ? L"Nicknames online" : L"");
        EXPECT_EQ(status_text(client, 1), c.notice ? L"Some favorite nicknames are now online." : L"");
        // The notice's own beep, then the online tone.
        const std::vector<unsigned> expected_tones =
            c.notice ? std::vector<unsigned>{650, 450} : std::vector<unsigned>{};
        std::vector<unsigned> frequencies;
        for (const Tone& tone : tones()) frequencies.push_back(tone.frequency);
        EXPECT_EQ(frequencies, expected_tones);
    }
}

TEST_F(NumericsTest, UseripReplyAboutTheUserSetsThePublicAddress) {
    struct Case {
        const wchar_t* line;
        const wchar_t* address;
    } cases[] = {
        {L":srv 340 me :me=+u@203.0.113.9", L"203.0.113.9"},
        {L":srv 340 me :me*=+u@198.51.100.4", L"198.51.100.4"},
        {L":srv 340 me :mega=+u@203.0.113.1", L"192.0.2.1"},  // another user
        {L":srv 340 me :me=+u", L"192.0.2.1"},
        {L":srv 340 me :me+u@203.0.113.1", L"192.0.2.1"},
        {L":srv 340 me :me=+u@host.example", L"192.0.2.1"},  // not an address
        {L":srv 340 me :me=+u@2001:db8:85a3:0:0:8a2e:370:7334", L"2001:db8:85a3:0:0:8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        client.connection.public_ip = L"192.0.2.1";
        feed(c.line);
        EXPECT_EQ(client.connection.public_ip, c.address);
    }
}

TEST_F(NumericsTest, ChannelModesTopicAndNames) {
    struct ModeCase {
        const wchar_t* modes;
        bool moderated, topic_protected, has_key, secret;
    } mode_cases[] = {
        {L"+mt", true, true, false, false}, {L"+", false, true, false, false}, {L"+k", false, true, true, false},
        {L"+sn", false, true, false, true}, {L"-m", false, true, false, false},
    };
    int room = -1;
    for (const ModeCase& c : mode_cases) {
        SCOPED_TRACE(c.modes);
        reopen(room, L"#room", true);
        client.chats[room].topic_protected = true;
        feed(std::wstring(L":srv 324 me #room ") + c.modes);
        pump_messages();
        const ChatRecord& chat = client.chats[room];
        EXPECT_EQ(chat.moderated, c.moderated);
        EXPECT_EQ(chat.topic_protected, c.topic_protected);
        EXPECT_EQ(chat.has_key, c.has_key);
        EXPECT_EQ(chat.secret, c.secret);
        EXPECT_EQ(chat.key[0], L'\0');
    }

    feed(L":srv 332 me #room :Our  topic: tea");
    EXPECT_TRUE(contains(text_of(room), L"Our  topic: tea\r\n"));
    EXPECT_EQ(std::wstring(client.chats[room].topic), L"Our  topic: tea");
    feed(L":srv 332 me #room :" + std::wstring(500, L't'));
    EXPECT_EQ(std::wstring(client.chats[room].topic), std::wstring(399, L't'));
    feed(L":srv 332 me #elsewhere :not stored");
    EXPECT_FALSE(contains(text_of(0), L"not stored"));

    feed(L":srv 353 me = #room :@op +voiced  plain " + std::wstring(40, L'x'));
    EXPECT_EQ(user_entries(client.chats[room]),
              (std::vector<std::string>{"+voiced", "@op", "plain", std::string(34, 'x')}));
}

TEST_F(NumericsTest, ListRowsFillTheDirectoryUpToFiveThousand) {
    client.channel_directory.clear();
    client.directory_row_count = 0;
    feed(L":srv 322 me #tea 12 :Hot  tea, no milk");
    feed(L":srv 322 me #alone 1 :only one");
    feed(L":srv 322 me  7 :no name");
    feed(L":srv 322 me #nothing");
    ASSERT_EQ(client.channel_directory.size(), 1u);
    DirectoryRow row = unpack_directory_row(client.channel_directory[0]);
    EXPECT_EQ(row.channel, "#tea");
    EXPECT_EQ(row.users, "12");
    EXPECT_EQ(row.topic, "Hot  tea, no milk");
    EXPECT_EQ(client.directory_row_count, 4);

    client.channel_directory.clear();
    client.directory_row_count = 0;
    for (int i = 1; i <= 5002; ++i) feed(L":srv 322 me #c" + std::to_wstring(i) + L" 5 :topic");
    EXPECT_EQ(client.channel_directory.size(), 5000u);
    EXPECT_EQ(unpack_directory_row(client.channel_directory.back()).channel, "#c5000");
    EXPECT_EQ(client.directory_row_count, 5002);
}

// The end of a WHOIS fills the user-info box on the window's own thread,
// and only while the chat it is about is still the selected one.
TEST_F(NumericsTest, EndOfWhoisIsShownByTheWindowForTheChatStillSelected) {
    const int alice = open_chat(L"alice", false);
    const int bob = open_chat(L"bob", false);
    feed(L":srv 311 me bob ~b h * :Bob B");
    for (const bool switched : {false, true}) {
        SCOPED_TRACE(switched ? "switched to bob" : "alice still selected");
        select(alice);
        SetWindowTextW(client.user_info_edit, L"before");
        ASSERT_TRUE(run_while_window_busy([&] {
            dispatch_line(client, L":srv 311 me alice ~z-za host.test * :Alice A");
            dispatch_line(client, L":srv 318 me alice :End of WHOIS list");
        }));
        EXPECT_EQ(window_text(client.user_info_edit), L"before");
        if (switched) select(bob);
        write_out_queue(client);
        const std::wstring shown = window_text(client.user_info_edit);
        EXPECT_EQ(contains(shown, L"Alice A"), !switched) << shown;
        EXPECT_EQ(contains(shown, L"Bob B"), switched) << shown;
    }
}

// A hostile server floods replies that each used to leave a task: the rows of
// a listing gather in one batch, ISON replies keep only the latest. The queue
// stays bounded, and what fits is all there once the window runs it.
TEST_F(NumericsTest, FloodsOfListRowsAndIsonRepliesLeaveABoundedQueue) {
    write_out_queue(client);
    client.connection.host = L"irc.flood.test";
    client.channel_directory.clear();
    client.directory_row_count = 0;
    constexpr int rows = 500000;
    ASSERT_TRUE(run_while_window_busy([&] {
        for (int n = 0; n < rows; ++n) dispatch_line(client, L":srv 322 me #c" + std::to_wstring(n) + L" 5 :topic");
        dispatch_line(client, L":srv 323 me :End of LIST");
    }));
    EXPECT_LE(queued_work_count(), 1u);
    write_out_queue(client);
    ASSERT_EQ(client.channel_directory.size(), static_cast<size_t>(directory_row_limit));
    EXPECT_EQ(unpack_directory_row(client.channel_directory.front()).channel, "#c0");
    EXPECT_EQ(unpack_directory_row(client.channel_directory.back()).channel, "#c4999");
    EXPECT_EQ(client.directory_row_count, rows);
    EXPECT_EQ(read_directory_cache(directory_cache_path(client, L"irc.flood.test"), rows).size(),
              static_cast<size_t>(directory_row_limit));

    for (int n = 1; n <= favorite_nickname_count; ++n)
        copy_text(client.favorite_nicknames[n].nickname, n == 1 ? L"alice" : n == 2 ? L"bob" : L"");
    for (auto& favourite : client.favorite_nicknames) favourite.online = false;
    ASSERT_TRUE(run_while_window_busy([&] {
        for (int n = 0; n < 50000; ++n) dispatch_line(client, L":srv 303 me :bob");
        dispatch_line(client, L":srv 303 me :alice");
    }));
    EXPECT_LE(queued_work_count(), 1u);
    write_out_queue(client);
    EXPECT_TRUE(client.favorite_nicknames[1].online);
    EXPECT_FALSE(client.favorite_nicknames[2].online) << "an older reply gave way to the latest";
}

// WHOIS lines and directory rows keep what the code page cannot spell.
TEST_F(NumericsTest, WhoisAndListRowsKeepTextBeyondTheCodePage) {
    const int ivan = open_chat(L"ivan", false);
    select(ivan);
    feed(L":srv 311 me ivan ~i h * :\u0418\u0432\u0430\u043d \u4e2d \U0001F600");
    feed(L":srv 318 me ivan :End of WHOIS list");
    EXPECT_EQ(window_text(client.user_info_edit), L" ~i h * :\u0418\u0432\u0430\u043d \u4e2d \U0001F600\r\n");

    client.channel_directory.clear();
    client.directory_row_count = 0;
    feed(L":srv 322 me #\u0447\u0430\u0439 12 :\u0433\u043e\u0440\u044f\u0447\u0438\u0439 \u8336 \U0001F375");
    ASSERT_EQ(client.channel_directory.size(), 1u);
    DirectoryView view;
    view.fill(client.channel_directory, utf8_text(L"\u0447\u0430\u0439"));
    ASSERT_EQ(view.size(), 1u);
    EXPECT_EQ(view.cell(0, column_channel), L"#\u0447\u0430\u0439");
    EXPECT_EQ(view.cell(0, column_topic), L"\u0433\u043e\u0440\u044f\u0447\u0438\u0439 \u8336 \U0001F375");
}

}  // namespace
