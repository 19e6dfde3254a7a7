#include <gtest/gtest.h>

#include <algorithm>

#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/user_list.h"
#include "irc_fixture.h"

namespace {

using Membership = IrcTest;

std::vector<std::string> users_of(ChatClient& client, int slot) {
    return user_entries(client.chats[slot]);
}

TEST_F(Membership, OwnJoinOpensTheTabAndAsksForModes) {
    dispatch(L":me!u@h JOIN :#room");
    const int channel = find_chat(client, L"#room");
    ASSERT_GT(channel, 0);
    EXPECT_TRUE(client.chats[channel].is_channel);
    EXPECT_EQ(client.current_chat, &client.chats[channel]);
    EXPECT_EQ(chat_lines(channel),
              (std::vector<ChatLine>{{run(L"********** Channel #room **********", colour_channel_message)}}));
    EXPECT_EQ(sent_lines(), std::vector<std::string>{"MODE #room"});
}

TEST_F(Membership, OtherUsersComeAndGoInTheUserList) {
    const int channel = open_channel(L"#c");
    dispatch(L":ann!u@h JOIN #c");
    dispatch(L":bob!u@h JOIN :#c");
    dispatch(L":srv JOIN #c");  // no '!': ignored
    EXPECT_EQ(users_of(client, channel), (std::vector<std::string>{"ann", "bob"}));
    EXPECT_TRUE(chat_lines(channel).empty());  // users in/out hidden by default

    client.chats[channel].show_users_in_out = true;
    dispatch(L":cat!u@h JOIN #c");
    dispatch(L":ann!u@h PART #c :bye");
    dispatch(L":ann!u@h PART #c :again");  // no longer listed: nothing shown
    const std::vector<ChatLine> expected = {
        {run(L"---> ", colour_event), run(L"[cat]", colour_nick)},
        {run(L"<--- ", colour_event), run(L"[ann]", colour_nick)},
    };
    EXPECT_EQ(chat_lines(channel), expected);
    EXPECT_EQ(users_of(client, channel), (std::vector<std::string>{"bob", "cat"}));
}

TEST_F(Membership, OwnPartClosesTheTab) {
    const int channel = open_channel(L"#c");
    dispatch(L":me!u@h PART #c");
    EXPECT_FALSE(client.chats[channel].in_use);
    EXPECT_EQ(find_chat(client, L"#c"), -1);
}

TEST_F(Membership, KickOfAnotherUserIsAnnounced) {
    const int channel = open_channel(L"#c");
    add_user(client, channel, L"@bob");
    dispatch(L":op!u@h KICK #c bob :flooding");
    dispatch(L":op!u@h KICK #c nobody :not listed");
    const std::vector<ChatLine> expected = {{run(L"<--- ", colour_event), run(L"[bob]", colour_nick),
                                             run(L" Kicked  by ", colour_event), run(L"[op]", colour_nick)}};
    EXPECT_EQ(chat_lines(channel), expected);
    EXPECT_TRUE(users_of(client, channel).empty());
}

TEST_F(Membership, BeingKickedIsAnnouncedWithATune) {
    client.enable_sounds_app = true;
    const int channel = open_channel(L"#c");
    add_user(client, channel, L"me");
    dispatch(L":op!u@h KICK #c me :bye");
    EXPECT_EQ(chat_lines(channel),
              (std::vector<ChatLine>{{run(L"You have been kicked by [op] from this channel", colour_error_text,
                                          colour_error_back)}}));
    EXPECT_EQ(tones().size(), 3u);
    EXPECT_TRUE(client.chats[channel].in_use);
    EXPECT_EQ(users_of(client, channel), std::vector<std::string>{"me"});
}

TEST_F(Membership, NickChangeReachesEveryChannelAndDropsTheMark) {
    const int first = open_channel(L"#a");
    const int second = open_channel(L"#b");
    const int third = open_channel(L"#other");
    add_user(client, first, L"@alice");
    add_user(client, second, L"+alice");
    add_user(client, third, L"bob");
    dispatch(L":alice!u@h NICK :ally");
    dispatch(L":bob!u@h NICK robert");  // without the colon the name stays whole
    const ChatLine renamed = {run(L"[alice]", colour_nick), run(L" C--> ", colour_event), run(L"[ally]", colour_nick)};
    EXPECT_EQ(chat_lines(first), std::vector<ChatLine>{renamed});
    EXPECT_EQ(chat_lines(second), std::vector<ChatLine>{renamed});
    EXPECT_EQ(users_of(client, first), std::vector<std::string>{"ally"});
    EXPECT_EQ(users_of(client, second), std::vector<std::string>{"ally"});
    EXPECT_EQ(users_of(client, third), std::vector<std::string>{"robert"});
}

TEST_F(Membership, QuitLeavesEveryChannelAndTellsThePrivateChat) {
    const int channel = open_channel(L"#c");
    const int chat = open_private(L"zed");
    client.chats[channel].show_users_in_out = true;
    add_user(client, channel, L"+zed");
    dispatch(L":zed!u@h QUIT :Quit: gone");
    EXPECT_EQ(chat_lines(channel),
              (std::vector<ChatLine>{{run(L"<<<-- ", colour_event), run(L"[zed]", colour_nick)}}));
    EXPECT_EQ(chat_lines(chat),
              (std::vector<ChatLine>{{run(L"[zed] ", colour_nick),
                                      run(L" disconnected from the IRC server", colour_error_text, colour_error_back)}}));
    EXPECT_TRUE(users_of(client, channel).empty());
}

TEST_F(Membership, TopicIsStoredNotShown) {
    const int channel = open_channel(L"#c");
    dispatch(L":op!u@h TOPIC #c :a  new topic");
    EXPECT_STREQ(client.chats[channel].topic, L"a  new topic");
    dispatch(L":op!u@h TOPIC #c :" + std::wstring(1000, L't'));
    EXPECT_EQ(std::wstring(client.chats[channel].topic), std::wstring(399, L't'));
    EXPECT_TRUE(chat_lines(channel).empty());
}

// The receive thread's view: tabs are created on this thread while the
// dispatcher waits, and everything lands where it would on the UI thread.
TEST_F(Membership, ASessionFromTheReceiveThread) {
    client.enable_sounds_app = true;
    dispatch_from_receive_thread({
        L":me!u@h JOIN :#room",
        L":bob!u@h JOIN #room",
        L":srv 353 me = #room :@me +v bob",
        L":bob!u@h PRIVMSG #room :hi me",
        L":carol!u@h PRIVMSG me :psst",
        L":op!u@h MODE #room +k sesame",
        L":bob!u@h NICK :robert",
        L":carol!u@h QUIT :bye",
        L"PING :srv",
    });
    const int channel = find_chat(client, L"#room");
    const int chat = find_chat(client, L"carol");
    ASSERT_GT(channel, 0);
    ASSERT_GT(chat, 0);
    EXPECT_TRUE(client.chats[channel].mention.load());
    EXPECT_TRUE(client.chats[channel].has_key);
    EXPECT_STREQ(client.chats[channel].key, L"sesame");
    EXPECT_TRUE(client.chats[channel].is_operator);
    EXPECT_EQ(chat_texts(channel), (std::vector<std::wstring>{L"********** Channel #room **********",
                                                              L"[bob] - hi me", L"[bob] C--> [robert]"}));
    EXPECT_EQ(chat_texts(chat).back(), L"[carol]  disconnected from the IRC server");
    // The PONG goes ahead of whatever still waits to be sent, the modes asked
    // of our own accord behind it all; the rest keep their order.
    std::vector<std::string> sent = sent_lines();
    const auto pong = std::find(sent.begin(), sent.end(), "PONG :srv");
    ASSERT_NE(pong, sent.end());
    sent.erase(pong);
    EXPECT_EQ(sent, (std::vector<std::string>{"USERHOST carol", "WHOIS carol", "MODE #room", "MODE #room +t+n"}));
    EXPECT_EQ(client.stats_mentions.load(), 1u);
    EXPECT_EQ(client.stats_chats_accepted.load(), 1u);
    dispatch_from_receive_thread({L":me!u@h PART #room"});
    EXPECT_EQ(find_chat(client, L"#room"), -1);
}

}  // namespace
