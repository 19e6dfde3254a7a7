#include <gtest/gtest.h>

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
        std::lock_guard<std::mutex> guard(client.chats[slot].lock);
        return client.chats[slot].users;
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

TEST_F(UserList, RemoveTriesPlainThenOperatorThenVoice) {
    const LookupCase cases[] = {
        {{L"@bob"}, L"bob", true, {}},
        {{L"+bob", L"@bob"}, L"bob", true, {"+bob"}},
        {{L"+bob", L"bob"}, L"bob", true, {"+bob"}},
        {{L"Bob"}, L"bob", false, {"Bob"}},  // case-sensitive
        {{L"bobby"}, L"bob", false, {"bobby"}},
        {{L"bob", L"bob"}, L"bob", true, {"bob"}},  // duplicates: the first goes
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
    add_user(client, channel, L"@me");  // every NAMES reply that says so
    EXPECT_EQ(sent_lines(), (std::vector<std::string>{"MODE #c +t+n", "MODE #c +t+n"}));
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
