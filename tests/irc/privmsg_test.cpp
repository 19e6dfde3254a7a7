#include <gtest/gtest.h>

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/silence.h"
#include "crypto/key_cache.h"
#include "crypto/message_crypto.h"
#include "irc/irc_line.h"
#include "irc_fixture.h"
#include "support/stored_passwords.h"

namespace {

using Privmsg = IrcTest;

const wchar_t* const away_text = L"Sorry, I don't accept private chats now";

void set_passwords(ChatClient& client, int slot, const char* password) {
    set_stored_passwords(client, slot > 0 ? std::vector<std::pair<int, std::string>>{{slot, password}}
                                          : std::vector<std::pair<int, std::string>>{});
}

TEST_F(Privmsg, ChannelMessageShowsSenderAndText) {
    const int channel = open_channel(L"#c");
    dispatch(L":bob!u@h PRIVMSG #c :hello all");
    dispatch(L":srv.example PRIVMSG #c :from a server");  // no '!': token 0 is taken whole
    const std::vector<ChatLine> expected = {
        {run(L"[bob]", colour_nick), run(L" - hello all", colour_channel_message)},
        {run(L"[srv.example]", colour_nick), run(L" - from a server", colour_channel_message)},
    };
    EXPECT_EQ(chat_lines(channel), expected);
    EXPECT_TRUE(sent_lines().empty());
}

struct MentionCase {
    const wchar_t* text;
    bool mention;
};

TEST_F(Privmsg, MentionNeedsTheExactNicknameInALongerText) {
    const MentionCase cases[] = {
        {L"hello me", true}, {L"meet", true}, {L"me", false}, {L"hello ME", false}, {L"hello", false},
    };
    client.enable_sounds_app = true;
    const int channel = open_channel(L"#c");
    select(0);
    unsigned mentions = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "text [" << std::string(c.text, c.text + wcslen(c.text)) << "]");
        clear_chat(client, channel);
        client.chats[channel].mention = false;
        speaker.clear();
        dispatch(std::wstring(L":al!u@h PRIVMSG #c :") + c.text);
        const COLORREF colour = c.mention ? colour_mention : colour_channel_message;
        const std::wstring shown = L" - " + std::wstring(c.text);
        const std::vector<ChatLine> expected = {{run(L"[al]", colour_nick), run(shown.c_str(), colour)}};
        EXPECT_EQ(chat_lines(channel), expected);
        EXPECT_EQ(client.chats[channel].mention.load(), c.mention);
        EXPECT_EQ(tones().size(), c.mention ? 4u : 0u);
        if (c.mention) ++mentions;
        EXPECT_EQ(client.stats_mentions.load(), mentions);
    }
    EXPECT_EQ(status_text(2), format_text(L"URLs:0  Ments:%d  ChatA:0  ChatR:0  AwayR:0", mentions));
}

TEST_F(Privmsg, ChannelMessagesAreDroppedWhenHiddenOrWithoutTab) {
    const int channel = open_channel(L"#c");
    client.chats[channel].show_messages = false;
    dispatch(L":bob!u@h PRIVMSG #c :hidden");
    dispatch(L":bob!u@h PRIVMSG #other :no tab");
    EXPECT_TRUE(chat_lines(channel).empty());
    EXPECT_EQ(find_chat(client, L"#other"), -1);
    EXPECT_EQ(find_chat(client, L"bob"), -1);
}

TEST_F(Privmsg, SilenceAllButKeepsOneNicknameInChannels) {
    const int channel = open_channel(L"#c");
    toggle_silence_all_but(client, L"Alice");
    dispatch(L":alice!u@h PRIVMSG #c :shown");
    dispatch(L":bob!u@h PRIVMSG #c :dropped");
    dispatch(L":bob!u@h PRIVMSG me :private is not filtered");
    EXPECT_EQ(chat_texts(channel), std::vector<std::wstring>{L"[alice] - shown"});
    const int chat = find_chat(client, L"bob");
    ASSERT_GT(chat, 0);
    EXPECT_EQ(chat_texts(chat).back(), L"[bob] - private is not filtered");
    // Any choice while the filter is on turns it off.
    toggle_silence_all_but(client, L"carol");
    EXPECT_EQ(silence_all_but_nickname(client), L"");
    dispatch(L":bob!u@h PRIVMSG #c :back");
    EXPECT_EQ(chat_texts(channel).back(), L"[bob] - back");
}

TEST_F(Privmsg, NewCorrespondentOpensAnUnselectedChat) {
    client.enable_sounds_app = true;
    dispatch(L":bob!u@h PRIVMSG me :hi there");
    const int chat = find_chat(client, L"bob");
    ASSERT_GT(chat, 0);
    EXPECT_EQ(client.current_chat, &client.chats[0]);
    const std::vector<ChatLine> lines = chat_lines(chat);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (ChatLine{run(L"********** Private chat with [ bob ] **********", colour_private_message)}));
    EXPECT_EQ(lines[1], (ChatLine{run(L"[bob]", colour_nick), run(L" - hi there", colour_private_message)}));
    ASSERT_EQ(tones().size(), 2u);
    EXPECT_EQ(tones()[0].frequency, 400u);
    EXPECT_EQ(tones()[1].frequency, 600u);
    EXPECT_EQ(client.stats_chats_accepted.load(), 1u);
    EXPECT_TRUE(client.chats[chat].unread.load());
    // The chat opened with USERHOST and WHOIS; nothing else was sent.
    EXPECT_EQ(sent_lines(), (std::vector<std::string>{"USERHOST bob", "WHOIS bob"}));
}

TEST_F(Privmsg, RefusedCorrespondentGetsTheAwayTextAndNoTab) {
    client.allow_open_private_chats = false;
    client.reply_away_message = true;
    dispatch(L":bob!u@h PRIVMSG me :hi");
    EXPECT_EQ(find_chat(client, L"bob"), -1);
    EXPECT_EQ(sent_lines(), std::vector<std::string>{"PRIVMSG bob :Sorry, I don't accept private chats now"});
    EXPECT_EQ(client.stats_away_replies.load(), 1u);
    EXPECT_EQ(client.stats_chats_refused.load(), 1u);
    EXPECT_EQ(status_text(0), L"bob");
    EXPECT_EQ(status_text(1), L"hi");
    EXPECT_EQ(status_text(2), L"URLs:0  Ments:0  ChatA:0  ChatR:1  AwayR:1");
    // The notice keeps what the code page cannot spell.
    dispatch(L":bob!u@h PRIVMSG me :\u043f\u0440\u0438\u0432\u0435\u0442 \U0001F600");
    EXPECT_EQ(status_text(1), L"\u043f\u0440\u0438\u0432\u0435\u0442 \U0001F600");
}

TEST_F(Privmsg, RefusalWithoutAwayTextOrNotice) {
    client.allow_open_private_chats = false;
    client.show_rejected_message = false;
    dispatch(L":dan!u@h PRIVMSG me :hi");
    EXPECT_TRUE(sent_lines().empty());
    EXPECT_EQ(client.stats_chats_refused.load(), 1u);
    EXPECT_EQ(client.stats_away_replies.load(), 0u);
    EXPECT_EQ(find_chat(client, L"dan"), -1);
}

TEST_F(Privmsg, EveryPrivateMessageIsAnsweredAndEchoed) {
    client.reply_away_message = true;
    const int chat = open_private(L"erin");
    sent_lines();
    clear_chat(client, chat);
    dispatch(L":erin!u@h PRIVMSG me :first");
    dispatch(L":erin!u@h PRIVMSG me :second");
    const std::string reply = "PRIVMSG erin :Sorry, I don't accept private chats now";
    EXPECT_EQ(sent_lines(), (std::vector<std::string>{reply, reply}));
    const ChatLine echo = {run(L"[me]", colour_white, colour_away_back),
                           run((std::wstring(L" - ") + away_text).c_str(), colour_white)};
    const std::vector<ChatLine> expected = {
        {run(L"[erin]", colour_nick), run(L" - first", colour_private_message)}, echo,
        {run(L"[erin]", colour_nick), run(L" - second", colour_private_message)}, echo,
    };
    EXPECT_EQ(chat_lines(chat), expected);
    EXPECT_EQ(client.stats_away_replies.load(), 2u);
}

TEST_F(Privmsg, AnAutomaticAnswerIsNotAnsweredForEver) {
    // Another copy answering with its own away text, again and again.
    client.reply_away_message = true;
    open_private(L"fay");
    sent_lines();
    for (int i = 0; i < 5; ++i) dispatch(L":fay!u@h PRIVMSG me :I am away");
    EXPECT_EQ(sent_lines().size(), 1u);
    EXPECT_EQ(client.stats_away_replies.load(), 1u);
    // A different message is answered again.
    dispatch(L":fay!u@h PRIVMSG me :are you there?");
    EXPECT_EQ(sent_lines().size(), 1u);
}

struct TagCase {
    std::wstring text;
    std::vector<std::wstring> shown;  // the chat's lines after the banner
};

TEST_F(Privmsg, EncryptedTagNeedsMoreThanTwentyCharacters) {
    set_passwords(client, 0, "");
    const TagCase cases[] = {
        {L"[ZOVMSG01]0123456789", {L"[gus] - [ZOVMSG01]0123456789"}},
        {L"[ZOVMSG01]0123456789A", {L"[gus] - [NOT DECRYPTED] 0123456789A"}},
        {L"[ZOVMSG0]0123456789AB", {L"[gus] - [ZOVMSG0]0123456789AB"}},
    };
    const int chat = open_private(L"gus");
    for (const auto& c : cases) {
        clear_chat(client, chat);
        dispatch(L":gus!u@h PRIVMSG me :" + c.text);
        EXPECT_EQ(chat_texts(chat), c.shown);
    }
}

TEST_F(Privmsg, EncryptedMessageIsDecryptedWithAStoredPassword) {
    const std::string block = encrypt_message("secret words", "password-seven");
    set_passwords(client, 7, "password-seven");
    const int channel = open_channel(L"#c");
    dispatch(L":hal!u@h PRIVMSG #c :[ZOVMSG01]" + std::wstring(block.begin(), block.end()));
    EXPECT_EQ(chat_lines(channel),
              (std::vector<ChatLine>{{run(L"[hal]", colour_nick), run(L" [DECRYPTED] - secret words", colour_channel_message)}}));
    set_passwords(client, 3, "some-other-password");
    clear_chat(client, channel);
    dispatch(L":hal!u@h PRIVMSG #c :[ZOVMSG01]" + std::wstring(block.begin(), block.end()));
    EXPECT_EQ(chat_texts(channel), std::vector<std::wstring>{L"[hal] - [NOT DECRYPTED] " +
                                                              std::wstring(block.begin(), block.end())});
    set_passwords(client, 0, "");
}

TEST_F(Privmsg, IpSharingTagsAreActedOnAndNeverShown) {
    const int chat = open_private(L"ivy");
    sent_lines();
    clear_chat(client, chat);
    dispatch(L":ivy!u@h PRIVMSG me :[ZOVUIP01]1.2.3");  // 15 characters: an answer
    EXPECT_STREQ(client.chats[chat].peer_ip, L"1.2.3");
    dispatch(L":ivy!u@h PRIVMSG me :[ZOVUIP01]1.2");  // 13: an ordinary message
    dispatch(L":ivy!u@h PRIVMSG me :[ZOVGIP01]");     // share_ip off: swallowed
    EXPECT_TRUE(sent_lines().empty());
    client.chats[chat].share_ip = true;
    dispatch(L":ivy!u@h PRIVMSG me :[ZOVGIP01]please");
    EXPECT_EQ(sent_lines(), std::vector<std::string>{"PRIVMSG ivy :[ZOVUIP01]10.0.0.7"});
    EXPECT_EQ(chat_texts(chat), std::vector<std::wstring>{L"[ivy] - [ZOVUIP01]1.2"});
}

// Only a line read through the code page is repaired: one read as UTF-8
// means its U+00C3.
TEST_F(Privmsg, MisreadUtf8IsRepairedInCodePageLinesOnly) {
    const int channel = open_channel(L"#c");
    dispatch(L":jo!u@h PRIVMSG #c :caf\u00C3\u00A9 \u00C3\u20AC \u00E2\u20AC\u00AE");  // "café À <RLO>" read as 1252
    dispatch_line(client, L":jo!u@h PRIVMSG #c :S\u00C3O PAULO", TextForm::utf8);
    EXPECT_EQ(chat_texts(channel), (std::vector<std::wstring>{L"[jo] - caf\u00E9 \u00C0 \uFFFD", L"[jo] - S\u00C3O PAULO"}));
}

TEST_F(Privmsg, MessageClickOnlyInTheSelectedChatWithItsSwitch) {
    const int channel = open_channel(L"#c");  // selected on opening
    const int other = open_channel(L"#d");
    select(channel);
    client.chats[channel].message_sound = true;
    client.chats[other].message_sound = true;
    dispatch(L":kim!u@h PRIVMSG #c :click");
    dispatch(L":kim!u@h PRIVMSG #d :no click, not selected");
    ASSERT_EQ(tones().size(), 1u);  // sounds are off, the click does not depend on them
    EXPECT_EQ(tones()[0].frequency, 50u);
    EXPECT_EQ(tones()[0].duration, 10u);
}

}  // namespace
