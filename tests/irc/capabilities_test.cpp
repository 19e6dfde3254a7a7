#include <gtest/gtest.h>

#include "chat/channel_users.h"
#include "chat/chat_tabs.h"
#include "irc/irc_line.h"
#include "irc/server_features.h"
#include "irc_fixture.h"

namespace {
using Tags = std::vector<std::pair<std::wstring, std::wstring>>;

TEST(MessageTags, AreSplitOffUnescapedAndTimed) {
    const struct {
        const wchar_t *line, *rest;
        Tags tags;
    } cases[] = {
        {L":n!u@h PRIVMSG #c :hi", L":n!u@h PRIVMSG #c :hi", {}},
        {L"@a=1;b :n PRIVMSG #c :x", L":n PRIVMSG #c :x", {{L"a", L"1"}, {L"b", L""}}},
        {L"@k=a\\sb\\:c\\\\d\\ne\\x :n CMD", L":n CMD", {{L"k", L"a b;c\\d\nex"}}},
        {L"@k=end\\ :n CMD", L":n CMD", {{L"k", L"end"}}},
        {L"@;;=v;+draft/x=1 :n CMD", L":n CMD", {{L"+draft/x", L"1"}}},
        {L"@only-tags", L"", {{L"only-tags", L""}}},
        {L"@a=1   PING :x", L"PING :x", {{L"a", L"1"}}},
    };
    for (const auto& c : cases) {
        MessageTags tags;
        EXPECT_EQ(take_message_tags(c.line, tags), c.rest);
        Tags got;
        for (const MessageTag& tag : tags) got.emplace_back(tag.key, tag.value);
        EXPECT_EQ(got, c.tags) << std::wstring(c.line).size();
    }
    const std::pair<const wchar_t*, long long> times[] = {
        {L"1970-01-01T00:00:00.000Z", 0},          {L"2026-12-08T01:41:39.855Z", 1796694099855LL},
        {L"2026-12-08T01:41:39Z", 1796694099000LL}, {L"2000-02-29T12:00:00.5Z", 951825600500LL},
        {L"2026-12-08T01:41:39.123456Z", 1796694099123LL}, {L"2026-12-08 01:41:39.855Z", 0},
        {L"2026-12-08T01:41:39.855", 0},           {L"2026-13-08T01:41:39.855Z", 0},
        {L"2026-12-08T01:41:39.Z", 0},             {L"1969-12-31T23:59:59.000Z", 0},
    };
    for (const auto& c : times) EXPECT_EQ(parse_server_time(c.first), c.second) << std::wstring(c.first).size();
}

TEST(ServerFeatures, IsupportIsHonouredBadValuesIgnoredAndCaseMapped) {
    IrcLine line;
    ASSERT_TRUE(split_tokens(L":s 005 me NICKLEN=50 PREFIX=(qaohv)~&@%+ CHANTYPES=#& CASEMAPPING=ascii :x", line));
    ServerFeatures features;
    apply_isupport(features, line);
    ASSERT_TRUE(split_tokens(L":s 005 me NICKLEN=x PREFIX=(ov)@ CHANTYPES= CASEMAPPING=klingon :x NICKLEN=9", line));
    apply_isupport(features, line);
    EXPECT_EQ(features.prefix_marks, L"~&@%+");
    EXPECT_TRUE(features.is_channel(L"&local"));
    EXPECT_FALSE(features.is_channel(L"!x"));
    EXPECT_EQ(features.marks_length(L"~@+nick"), 3u);
    EXPECT_EQ(granted_nickname_limit(features, 34), 50u);
    features.nickname_length = 5000;
    EXPECT_EQ(granted_nickname_limit(features, 34), longest_nickname);
    EXPECT_EQ(granted_nickname_limit(ServerFeatures{}, 34), 34u);
    EXPECT_FALSE(features.same_name(L"a[", L"a{"));  // ascii, as the server said
    features.case_mapping = CaseMapping::rfc1459;
    EXPECT_TRUE(features.same_name(L"Nick[a]\\~", L"nick{a}|^"));
    features.case_mapping = CaseMapping::strict_rfc1459;
    EXPECT_FALSE(features.same_name(L"a~", L"a^"));
}

class Capabilities : public IrcTest {
protected:
    void SetUp() override {
        IrcTest::SetUp();
        client.connection.account = ServerAccount{};
        client.connection.tls = false;
        client.connection.receive.negotiating = true;
    }
    void TearDown() override {
        client.connection.account = ServerAccount{};
        IrcTest::TearDown();
    }
    void login_with(SaslMethod method, bool required, bool allow_unencrypted = true) {
        client.connection.receive.reset();
        client.connection.receive.negotiating = true;
        clear_chat(client, 0);
        client.connection.account = {L"", method, L"alice", L"s3cretpw", required, allow_unencrypted};
    }
    void expect_exchange(const std::vector<std::pair<const wchar_t*, std::vector<std::string>>>& steps) {
        for (const auto& step : steps) {
            dispatch(step.first);
            EXPECT_EQ(sent_lines(), step.second) << std::wstring(step.first).size();
        }
    }
};

TEST_F(Capabilities, WhatIsUsedIsAskedForAndTheNegotiationEnds) {
    expect_exchange({
        {L":s CAP * LS * :multi-prefix echo-message sasl=PLAIN", {}},
        {L":s CAP * LS :server-time znc.in/server-time-iso batch unknown-cap", {"CAP REQ :multi-prefix server-time batch"}},
        {L":s CAP * ACK :multi-prefix server-time batch", {"CAP END"}},
        {L":s CAP me NEW :away-notify draft/x", {"CAP REQ :away-notify"}},
        {L":s CAP me ACK :away-notify", {}},
        {L":s CAP me DEL :batch", {}},
    });
    EXPECT_EQ(client.connection.features.get().capabilities,
              (std::set<std::wstring>{L"multi-prefix", L"server-time", L"away-notify"}));
    client.connection.receive.reset();
    client.connection.receive.negotiating = true;
    expect_exchange({{L":s CAP * LS :znc.in/server-time-iso", {"CAP REQ :znc.in/server-time-iso"}},
                     {L":s CAP * NAK :znc.in/server-time-iso", {"CAP END"}}});
    // A server that does not know CAP: registration goes on as before.
    client.connection.receive.negotiating = true;
    dispatch(L":s 421 me CAP :Unknown command");
    EXPECT_FALSE(client.connection.receive.negotiating);
    EXPECT_TRUE(chat_texts(0).empty());
}

TEST_F(Capabilities, PlainLoginThenTheNegotiationEnds) {
    login_with(SaslMethod::plain, true);
    expect_exchange({
        {L":s CAP * LS :sasl=PLAIN,EXTERNAL multi-prefix", {"CAP REQ :multi-prefix sasl"}},
        {L":s CAP * ACK :multi-prefix sasl", {"AUTHENTICATE PLAIN"}},
        {L"AUTHENTICATE :+", {"AUTHENTICATE AGFsaWNlAHMzY3JldHB3"}},  // InspIRCd's form
        {L":s 900 me me!u@h alice :You are now logged in as alice", {}},
        {L":s 903 me :SASL authentication successful", {"CAP END"}},
    });
    EXPECT_EQ(chat_texts(0), std::vector<std::wstring>{L"Logged in to account alice."});
}

TEST_F(Capabilities, ExternalOverTlsAnswersWithAnEmptyMessage) {
    login_with(SaslMethod::external, true, false);
    client.connection.tls = true;  // the certificate itself went in the handshake
    expect_exchange({
        {L":s CAP * LS :sasl=PLAIN,EXTERNAL", {"CAP REQ :sasl"}},
        {L":s CAP * ACK :sasl", {"AUTHENTICATE EXTERNAL"}},
        {L"AUTHENTICATE +", {"AUTHENTICATE +"}},
        {L":s 903 me :SASL authentication successful", {"CAP END"}},
    });
    client.connection.tls = false;
}

TEST_F(Capabilities, AFailedLoginEndsTheConnectionOnlyWhenRequired) {
    for (bool required : {false, true}) {
        login_with(SaslMethod::plain, required);
        expect_exchange({{L":s CAP * LS :sasl", {"CAP REQ :sasl"}},
                         {L":s CAP * ACK :sasl", {"AUTHENTICATE PLAIN"}},
                         {L"AUTHENTICATE +", {"AUTHENTICATE AGFsaWNlAHMzY3JldHB3"}},
                         {L":s 908 me PLAIN :are available SASL mechanisms", {}}});
        dispatch(L":s 904 me :SASL authentication failed");
        if (required) {
            EXPECT_EQ(server.receive_line(), "QUIT");
            EXPECT_TRUE(server.wait_closed());
        } else {
            EXPECT_EQ(sent_lines(), std::vector<std::string>{"CAP END"});
        }
        const std::vector<std::wstring> said = chat_texts(0);
        ASSERT_FALSE(said.empty());
        EXPECT_EQ(said[0], L"Account login failed: SASL authentication failed (the server offers PLAIN)");
        EXPECT_EQ(client.connection.receive.refused, required);
    }
}

TEST_F(Capabilities, NoLoginIsOfferedOverAPlainConnectionUnlessAllowed) {
    const struct {
        SaslMethod method;
        bool allow_unencrypted;
        const wchar_t* offer;
        std::vector<std::string> sent;
        const wchar_t* reason;
    } cases[] = {
        {SaslMethod::plain, false, L":s CAP * LS :sasl multi-prefix", {"CAP REQ :multi-prefix"},
         L"the connection is not encrypted (TLS), and this server is not allowed to receive the login over it"},
        {SaslMethod::scram_sha_256, true, L":s CAP * LS :sasl=PLAIN", {"CAP END"}, L"the server does not offer SCRAM-SHA-256"},
        {SaslMethod::external, true, L":s CAP * LS :sasl", {"CAP END"},
         L"EXTERNAL needs a TLS connection with a client certificate"},
    };
    for (const auto& c : cases) {
        login_with(c.method, false, c.allow_unencrypted);
        dispatch(c.offer);
        EXPECT_EQ(sent_lines(), c.sent);
        EXPECT_EQ(chat_texts(0), (std::vector<std::wstring>{std::wstring(L"Account login failed: ") + c.reason,
                                                           L"Going on without the account."}));
    }
}

TEST_F(Capabilities, TagsAreNeverShownBatchesComeTogetherAndNamesKeepEveryMark) {
    dispatch(L"@time=2026-12-08T01:41:39.855Z;msgid=x :s 999 me :first");
    for (const wchar_t* line : {L":s BATCH +p1 znc.in/playback #c", L"@batch=p1 :s 999 me :second",
                                L"@batch=other :s 999 me :unbatched", L"@batch=p1 :s BATCH +inner netsplit",
                                L"@batch=inner :s 999 me :third", L"@batch=p1 :s BATCH -inner"})
        dispatch(line);
    EXPECT_EQ(chat_texts(0), (std::vector<std::wstring>{L":s 999 me :first", L":s 999 me :unbatched"}));
    dispatch(L":s BATCH -p1");
    EXPECT_EQ(chat_texts(0), (std::vector<std::wstring>{L":s 999 me :first", L":s 999 me :unbatched",
                                                        L":s 999 me :second", L":s 999 me :third"}));

    const int channel = open_channel(L"#c");
    ASSERT_GT(channel, 0);
    dispatch(L":s 005 me PREFIX=(qov)~@+ NICKLEN=40 :are supported");
    dispatch(L":s 353 me = #c :~@alice @+bob carol");
    {
        std::lock_guard<std::mutex> guard(client.chats[channel].lock);
        EXPECT_EQ(client.chats[channel].users.entries(), (std::vector<std::string>{"@+bob", "carol", "~@alice"}));
    }
    ChannelUsers users;
    EXPECT_EQ(users.list("@+both", "~@%+"), ChannelUsers::Listed::added);
    EXPECT_EQ(users.list("+both", "~@%+"), ChannelUsers::Listed::mark_changed);
    EXPECT_EQ(users.list("@%", "~@%+"), ChannelUsers::Listed::refused);
    const std::wstring long_name(40, L'n');
    dispatch(L":s 001 " + long_name + L"xyz :Welcome");
    EXPECT_EQ(client.connection.nickname.get(), long_name);
    client.connection.nickname = L"me";
}

}  // namespace
