#include <gtest/gtest.h>

#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "connection/receive_loop.h"
#include "crypto/message_crypto.h"
#include "irc/ctcp.h"
#include "irc_fixture.h"
#include "quillmere_version.h"
#include "support/stored_passwords.h"

namespace {
double stopped_clock_now = 1000;
double stopped_clock() { return stopped_clock_now; }

class Ctcp : public IrcTest {
protected:
    void SetUp() override {
        IrcTest::SetUp();
        set_ctcp_clock(stopped_clock);
        reset_ctcp_limit();
    }
    void TearDown() override {
        set_ctcp_clock(nullptr);
        client.answer_ctcp_version = true;
        IrcTest::TearDown();
    }
};

TEST_F(Ctcp, RequestsAreAnsweredAtMostEveryTwoSecondsOrShown) {
    const std::string version = std::string("Quillmere ") + QUILLMERE_VERSION_TEXT + " (Windows)";
    const std::wstring long_argument(600, L'p'), long_nickname(480, L'n');
    struct Case {
        std::wstring line;
        double seconds_later;
        bool version_answered;
        std::string answer;    // the start of the one line sent; empty: nothing sent
        const wchar_t* shown;  // in the server tab; nullptr: nothing
    } cases[] = {
        {L":carol!u@h PRIVMSG me :\x01VERSION\x01", 0, true, "NOTICE carol :\x01VERSION " + version + "\x01", nullptr},
        {L":dave!u@h PRIVMSG me :\x01PING 42\x01", 1.5, true, "", nullptr},  // too soon: dropped
        {L":dave!u@h PRIVMSG me :\x01PING 42\x01", 2, true, "NOTICE dave :\x01PING 42\x01", nullptr},
        {L":dave!u@h PRIVMSG #c :\x01ping\x01", 2, true, "NOTICE dave :\x01PING\x01", nullptr},
        {L":carol!u@h PRIVMSG me :\x01" L"CLIENTINFO\x01", 2, true, "NOTICE carol :\x01" "CLIENTINFO ACTION", nullptr},
        {L":carol!u@h PRIVMSG me :\x01TIME\x01", 2, true, "NOTICE carol :\x01TIME 2", nullptr},
        {L":carol!u@h PRIVMSG me :\x01VERSION\x01", 2, false, "", L"carol asked CTCP VERSION"},
        {L":carol!u@h PRIVMSG me :\x01" L"FINGER\x01", 2, true, "", L"carol asked CTCP FINGER"},
        {L":carol!u@h PRIVMSG me :\x01" L"DCC SEND x 1 2 3", 2, true, "", L"carol asked CTCP DCC"},
        // A hostile peer's long argument: the answer is cut to one relayed line.
        {L":dave!u@h PRIVMSG me :\x01PING " + long_argument + L"\x01", 2, true, "NOTICE dave :\x01PING ppp", nullptr},
        {L":" + long_nickname + L"!u@h PRIVMSG me :\x01PING 1\x01", 2, true, "", nullptr},  // not even the frame fits
    };
    // The longest prefix a server puts before our line: ":me!~user@" and a
    // 63-character host.
    const size_t relayed_prefix = 1 + client.connection.nickname.get().size() + 2 +
                                  registration_username(client).size() + 1 + 63 + 1;
    for (const Case& c : cases) {
        stopped_clock_now += c.seconds_later;
        client.answer_ctcp_version = c.version_answered;
        dispatch(c.line);
        const std::vector<std::string> sent = sent_lines();
        if (c.answer.empty()) {
            EXPECT_TRUE(sent.empty()) << sent.front();
        } else {
            ASSERT_EQ(sent.size(), 1u) << testing::PrintToString(c.line);
            EXPECT_EQ(sent[0].compare(0, c.answer.size(), c.answer), 0) << sent[0];
            EXPECT_LE(relayed_prefix + sent[0].size() + 2, 512u) << sent[0];
            EXPECT_EQ(sent[0].back(), '\x01');
        }
        if (c.shown) {
            EXPECT_EQ(chat_texts(0).back(), c.shown);
        }
    }
    // A request never opens a chat, and no raw framing reaches the screen.
    EXPECT_EQ(find_chat(client, L"carol"), -1);
    for (const std::wstring& line : chat_texts(0)) EXPECT_EQ(line.find(L'\x01'), std::wstring::npos);
}

TEST_F(Ctcp, ActionsShowAsStarLinesInTheActionColour) {
    const int channel = open_channel(L"#c");
    set_stored_passwords(client, {{3, "Tulip9"}});
    dispatch(L":carol!u@h PRIVMSG #c :\x01" L"ACTION waves\x01");
    dispatch(L":carol!u@h PRIVMSG #c :\x01" L"ACTION [ZOVMSG01]" +
             wide_text(encrypt_message("hides", "Tulip9"), CP_ACP) + L"\x01");
    dispatch(L":dave!u@h PRIVMSG me :\x01" L"ACTION nods");  // an unclosed frame is read alike
    const std::vector<ChatLine> expected = {
        {run(L"* carol waves", colour_action)},
        {run(L"* carol [DECRYPTED] - hides", colour_action)},
    };
    EXPECT_EQ(chat_lines(channel), expected);
    const int dave = find_chat(client, L"dave");
    ASSERT_GT(dave, 0);
    EXPECT_EQ(chat_texts(dave).back(), L"* dave nods");
    for (const std::string& line : sent_lines()) EXPECT_NE(line.rfind("NOTICE", 0), 0u) << line;  // nothing answered
    set_stored_passwords(client, {});
}

TEST_F(Ctcp, NoticesLoseTheirFramingAndFormattingCodes) {
    dispatch(L":carol!u@h NOTICE me :\x01VERSION Other 1.0\x01");
    EXPECT_EQ(chat_texts(0).back(), L" -carol- CTCP VERSION Other 1.0");
    dispatch(L":carol!u@h NOTICE me :\x02" L"bold\x02 news");
    EXPECT_EQ(chat_texts(0).back(), L" -carol- bold news");
}
}  // namespace
