#include <gtest/gtest.h>

#include "chat/chat_tabs.h"
#include "irc/channel_mode.h"
#include "irc_fixture.h"

namespace {

struct Flags {
    bool has_key, secret, is_operator, topic_protected, moderated;
    const wchar_t* key;
};

struct ModeCase {
    const wchar_t* line;
    Flags after;  // starting from a fresh channel: topic protected, nothing else
};

using ChannelMode = IrcTest;

TEST_F(ChannelMode, FirstChangeOfAUsersModeLine) {
    const ModeCase cases[] = {
        {L":op!u@h MODE #c +k sesame", {true, false, false, true, false, L"sesame"}},
        {L":op!u@h MODE #c -k sesame", {false, false, false, true, false, L""}},
        {L":op!u@h MODE #c +s", {false, true, false, true, false, L""}},
        {L":op!u@h MODE #c +p", {false, true, false, true, false, L""}},
        {L":op!u@h MODE #c +ov a b", {false, false, true, true, false, L""}},
        {L":op!u@h MODE #c -o me", {false, false, false, true, false, L""}},
        {L":op!u@h MODE #c -t", {false, false, false, false, false, L""}},
        {L":op!u@h MODE #c +mt", {false, false, false, true, true, L""}},  // only "+m" counts
        {L":op!u@h MODE #c +nt", {false, false, false, true, false, L""}},
        {L":op!u@h MODE #c +K x", {false, false, false, true, false, L""}},  // case-sensitive
        {L":irc.example MODE #c +m", {false, false, false, true, false, L""}},  // server line
        {L":irc.example MODE #c +b x!*@*", {false, false, false, true, false, L""}},  // '!' in a mask only
        {L":op!u@h MODE me +m", {false, false, false, true, false, L""}},  // user mode
        {L":op!u@h MODE #nope +m", {false, false, false, true, false, L""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << (&c - cases));
        const int channel = open_channel(L"#c");
        dispatch(c.line);
        const ChatRecord& chat = client.chats[channel];
        EXPECT_EQ(chat.has_key, c.after.has_key);
        EXPECT_EQ(chat.secret, c.after.secret);
        EXPECT_EQ(chat.is_operator, c.after.is_operator);
        EXPECT_EQ(chat.topic_protected, c.after.topic_protected);
        EXPECT_EQ(chat.moderated, c.after.moderated);
        EXPECT_STREQ(chat.key, c.after.key);
        close_chat(client, L"#c");
    }
}

TEST_F(ChannelMode, SetAndClearedAgain) {
    const int channel = open_channel(L"#c");
    apply_channel_mode(client, L"+k", channel, std::wstring(100, L'k').c_str());
    EXPECT_EQ(std::wstring(client.chats[channel].key), std::wstring(63, L'k'));
    apply_channel_mode(client, L"-k", channel, L"");
    apply_channel_mode(client, L"+s", channel, L"");
    apply_channel_mode(client, L"-p", channel, L"");
    apply_channel_mode(client, L"+o", channel, L"");
    apply_channel_mode(client, L"+m", channel, L"");
    apply_channel_mode(client, L"-m", channel, L"");
    EXPECT_FALSE(client.chats[channel].has_key);
    EXPECT_FALSE(client.chats[channel].secret);
    EXPECT_TRUE(client.chats[channel].is_operator);
    EXPECT_FALSE(client.chats[channel].moderated);
    // Nothing for the server tab, a slot out of range or no text at all.
    apply_channel_mode(client, L"+m", 0, L"");
    apply_channel_mode(client, L"+m", 34, L"");
    apply_channel_mode(client, nullptr, channel, nullptr);
    apply_channel_mode(client, L"+", channel, L"");
    EXPECT_FALSE(client.chats[0].moderated);
    EXPECT_FALSE(client.chats[channel].moderated);
}

}  // namespace
