#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "chat/chat_tabs.h"
#include "chat/user_list.h"
#include "irc_fixture.h"
#include "settings/keyword_filter.h"

namespace {

class UserList : public IrcTest {
protected:
    void TearDown() override {
        replace_filter_keywords(client, {});
        IrcTest::TearDown();
    }
    std::vector<std::string> users(int slot) {
        return user_entries(client.chats[slot]);
    }
    std::vector<std::wstring> shown(int slot) {
        HWND list = client.chats[slot].user_list;
        std::vector<std::wstring> entries;
        const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::wstring entry(SendMessageW(list, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
            entry.resize(SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data())));
            entries.push_back(entry);
        }
        return entries;
    }
    std::wstring label() {
        wchar_t text[64] = {};
        GetWindowTextW(client.users_label, text, 64);
        return text;
    }
};

struct LookupCase {
    std::vector<const wchar_t*> listed;
    const wchar_t* name;
    bool found;
    std::vector<std::string> after;
};

TEST_F(UserList, RemoveFindsTheNicknameWhateverItsMark) {
    const LookupCase cases[] = {
        {{L"@bob"}, L"bob", true, {}},
        {{L"+bob", L"@bob"}, L"bob", true, {}},  // one entry per nickname
        {{L"+bob", L"bob"}, L"bob", true, {}},
        {{L"+bob", L"carl"}, L"bob", true, {"carl"}},
        {{L"Bob"}, L"bob", false, {"Bob"}},  // case-sensitive
        {{L"bobby"}, L"bob", false, {"bobby"}},
        {{L"bob", L"bob"}, L"bob", true, {}},
        {{L"bob"}, L"", false, {"bob"}},
    };
    const int channel = open_channel(L"#c");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        client.chats[channel].users.clear();
        for (const wchar_t* name : c.listed) add_user(client, channel, name);
        EXPECT_EQ(remove_user(c.name, client, channel), c.found);
        EXPECT_EQ(users(channel), c.after);
    }
}

TEST_F(UserList, RenameDropsTheMark) {
    const int channel = open_channel(L"#c");
    add_user(client, channel, L"@alice");
    add_user(client, channel, L"carl");
    EXPECT_TRUE(rename_user(L"alice", L"ally", client, channel));
    EXPECT_FALSE(rename_user(L"nobody", L"x", client, channel));
    EXPECT_EQ(users(channel), (std::vector<std::string>{"ally", "carl"}));
}

TEST_F(UserList, PrivateChatsAndTheServerTabHoldNoUsers) {
    const int chat = open_private(L"bob");
    add_user(client, chat, L"x");
    add_user(client, 0, L"x");
    EXPECT_TRUE(users(chat).empty());
    EXPECT_TRUE(users(0).empty());
    EXPECT_FALSE(remove_user(L"x", client, 99));
}

TEST_F(UserList, ListedAsOperatorTakesTheChannel) {
    const int channel = open_channel(L"#c");
    sent_lines();
    add_user(client, channel, L"+me");
    add_user(client, channel, L"me");
    EXPECT_FALSE(client.chats[channel].is_operator);
    add_user(client, channel, L"@me");
    EXPECT_TRUE(client.chats[channel].is_operator);
    EXPECT_EQ(sent_lines(), std::vector<std::string>{"MODE #c +t+n"});
    // A server repeating its NAMES reply must not make us repeat the MODE.
    for (int repeat = 0; repeat < 3; ++repeat) dispatch(L":srv 353 me = #c :@me bob");
    EXPECT_TRUE(sent_lines().empty());
    // Voiced, then made operator again: a new word from the server.
    dispatch(L":srv 353 me = #c :+me");
    dispatch(L":srv 353 me = #c :@me");
    EXPECT_EQ(sent_lines(), std::vector<std::string>{"MODE #c +t+n"});
}

// Lines from the server, in order, and the entries they leave.
struct ListingCase {
    std::vector<const wchar_t*> lines;
    std::vector<std::string> after;
};

TEST_F(UserList, EachNicknameIsListedOnceWithTheLatestMark) {
    const ListingCase cases[] = {
        {{L":srv 353 me = #c :@ann +bob cat", L":srv 353 me = #c :@ann +bob cat"}, {"+bob", "@ann", "cat"}},
        {{L":srv 353 me = #c :ann +bob @cat", L":srv 353 me = #c :@ann bob +cat"}, {"+cat", "@ann", "bob"}},
        {{L":srv 353 me = #c :@dup +dup dup"}, {"dup"}},
        {{L":srv 353 me = #c :@ann", L":ann!u@h JOIN #c", L":bob!u@h JOIN #c", L":bob!u@h JOIN :#c"}, {"@ann", "bob"}},
        {{L":bob!u@h JOIN #c", L":srv 353 me = #c :+bob"}, {"+bob"}},
        {{L":srv 353 me = #c :@ann +bob", L":ann!u@h NICK :bob"}, {"+bob"}},  // onto a listed name
        {{L":srv 353 me = #c :@ann bob", L":ann!u@h NICK :ann"}, {"ann", "bob"}},
        {{L":srv 353 me = #c :@ +"}, {}},  // marks without a nickname
    };
    const int channel = open_channel(L"#c");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        {
            std::lock_guard<std::mutex> guard(client.chats[channel].lock);
            client.chats[channel].users.clear();
        }
        for (const wchar_t* line : c.lines) dispatch(line);
        EXPECT_EQ(users(channel), c.after);
    }
}

TEST_F(UserList, NewNicknamesStopAtTheCapacity) {
    const int channel = open_channel(L"#c");
    const size_t cap = ChannelUsers::capacity;
    auto nick = [](size_t number) { return L"u" + std::to_wstring(number); };
    for (size_t number = 0; number < cap + 100; ++number) add_user(client, channel, nick(number).c_str());
    add_joined_user(client, channel, L"latecomer");
    std::vector<std::string> listed = users(channel);
    ASSERT_EQ(listed.size(), cap);
    EXPECT_TRUE(std::binary_search(listed.begin(), listed.end(), "u" + std::to_string(cap - 1)));
    EXPECT_FALSE(std::binary_search(listed.begin(), listed.end(), "u" + std::to_string(cap)));

    // Listed users still change, rename and leave at the cap.
    add_user(client, channel, L"@u0");
    EXPECT_TRUE(rename_user(L"u1", L"renamed", client, channel));
    EXPECT_TRUE(remove_user(L"u2", client, channel));
    add_user(client, channel, L"+fits");
    add_user(client, channel, L"refused");
    listed = users(channel);
    EXPECT_EQ(listed.size(), cap);
    for (const char* entry : {"@u0", "renamed", "+fits"})
        EXPECT_TRUE(std::binary_search(listed.begin(), listed.end(), entry)) << entry;
    for (const char* entry : {"u0", "u1", "u2", "refused"})
        EXPECT_FALSE(std::binary_search(listed.begin(), listed.end(), entry)) << entry;
}

TEST_F(UserList, SortedInByteOrder) {
    const int channel = open_channel(L"#c");
    for (const wchar_t* name : {L"zoe", L"@op", L"Bob", L"+voice", L"9lives", L"amy"}) add_user(client, channel, name);
    refresh_user_list(client, channel);
    EXPECT_EQ(shown(channel), (std::vector<std::wstring>{L"+voice", L"9lives", L"@op", L"Bob", L"amy", L"zoe"}));
    EXPECT_EQ(label(), L"Users (6)");
}

TEST_F(UserList, KeywordFilterIgnoresCase) {
    const int channel = open_channel(L"#c");
    for (const wchar_t* name : {L"Joanna", L"@BOB", L"+bonnie", L"carl"}) add_user(client, channel, name);
    replace_filter_keywords(client, {"ann", "bo"});
    refresh_user_list(client, channel);
    EXPECT_EQ(shown(channel).size(), 4u);  // filter switched off for this channel
    client.chats[channel].filter_users = true;
    refresh_user_list(client, channel);
    EXPECT_EQ(shown(channel), (std::vector<std::wstring>{L"+bonnie", L"@BOB", L"Joanna"}));
    EXPECT_EQ(label(), L"Users (3)");
    replace_filter_keywords(client, {});
    refresh_user_list(client, channel);
    EXPECT_EQ(shown(channel).size(), 4u);  // no keywords: everything shown
}

// Nicknames the code page cannot spell stay whole and apart (two of them
// must not both become "????"), follow a NICK, and meet the keyword filter.
TEST_F(UserList, NicknamesBeyondTheCodePageStayWholeAndApart) {
    const int channel = open_channel(L"#c");
    dispatch(L":srv 353 me = #c :@\u0416\u043e\u0440\u0430 \u0412\u0430\u0441\u044f \u738b\u5c0f\u660e caf\u00e9");
    dispatch(L":\u738b\u5c0f\u660e!u@h NICK :\u738b\U0001F600");
    refresh_user_list(client, channel);
    // In the order of their UTF-8 bytes, which is that of the characters.
    EXPECT_EQ(shown(channel), (std::vector<std::wstring>{L"@\u0416\u043e\u0440\u0430", L"caf\u00e9",
                                                         L"\u0412\u0430\u0441\u044f", L"\u738b\U0001F600"}));
    replace_filter_keywords(client, split_keywords(L"\u0416\u043e\u0440 \u738b"));
    client.chats[channel].filter_users = true;
    refresh_user_list(client, channel);
    EXPECT_EQ(shown(channel), (std::vector<std::wstring>{L"@\u0416\u043e\u0440\u0430", L"\u738b\U0001F600"}));
}

TEST_F(UserList, AnOpenListIsLeftAlone) {
    const int channel = open_channel(L"#c");
    add_user(client, channel, L"first");
    refresh_user_list(client, channel);
    client.chats[channel].user_list_state = 7;
    add_user(client, channel, L"second");
    refresh_user_list(client, channel);
    EXPECT_EQ(shown(channel), std::vector<std::wstring>{L"first"});
    client.chats[channel].user_list_state = 8;
    refresh_user_list(client, channel);
    EXPECT_EQ(shown(channel), (std::vector<std::wstring>{L"first", L"second"}));
}

TEST_F(UserList, OnlyTheSelectedChannelSetsTheLabel) {
    const int shown_channel = open_channel(L"#a");
    const int other = open_channel(L"#b");
    select(shown_channel);
    add_user(client, shown_channel, L"x");
    refresh_user_list(client, shown_channel);
    EXPECT_EQ(label(), L"Users (1)");
    add_user(client, other, L"y");
    add_user(client, other, L"z");
    refresh_user_list(client, other);
    EXPECT_EQ(label(), L"Users (1)");
    EXPECT_EQ(shown(other).size(), 2u);
}

}  // namespace
