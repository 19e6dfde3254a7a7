#include <gtest/gtest.h>

#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "irc_fixture.h"

namespace {

struct RouteCase {
    const wchar_t* line;
    std::vector<std::string> sent;
    std::vector<std::wstring> server_tab;
    std::vector<std::wstring> channel;  // the open channel "#c"
};

using Dispatcher = IrcTest;

TEST_F(Dispatcher, RoutesEachLineByItsRule) {
    const RouteCase cases[] = {
        {L"PING :abc", {"PONG :abc"}, {}, {}},
        {L"PING :x y", {"PONG :x"}, {}, {}},
        {L"PINGER x", {"PONG x"}, {}, {}},  // keyword matched at the start of token 0
        {L"PING ", {"PONG "}, {}, {}},
        {L":srv NOTICE AUTH :*** hello", {}, {L" -srv- *** hello"}, {}},
        {L"NOTICE AUTH :*** hello", {}, {L"NOTICE AUTH :*** hello"}, {}},
        {L":n!u@h  PRIVMSG #c :x", {}, {L":n!u@h  PRIVMSG #c :x"}, {}},
        {L":n!u@h PRIVMSG #c :a  b", {}, {}, {L"[n] - a  b"}},
        {L":n!u@h PRIVMSGX #c :prefix match", {}, {}, {L"[n] - prefix match"}},
        {L":n!u@h SILENCE +x!*@*", {}, {L":n!u@h SILENCE +x!*@*"}, {}},
        {L"SILENCE -bob!*@*", {}, {L"Messages from [bob] will be displayed"}, {}},
        {L"SILENCE +bob!*@*", {}, {L"Messages from [bob] will not be displayed"}, {}},
        {L"SILENCE +bob", {}, {}, {}},
        {L"SILENCE x!", {}, {}, {}},
        {L":srv 999 me :text", {}, {L":srv 999 me :text"}, {}},
        {L":srv 12345678901234567890 me :x", {}, {L":srv 12345678901234567890 me :x"}, {}},
        {L"ERROR x", {}, {L"ERROR x"}, {}},  // not "ERROR :", and "x" is no keyword
        {L":a b", {}, {L":a b"}, {}},
        {L"NOSPACE", {}, {}, {}},
        {L":n!u@h QUITTING :x", {}, {}, {}},
        {L":n!u@h TOPIC #c :new topic", {}, {}, {}},
    };
    const int channel = open_channel(L"#c");
    ASSERT_GT(channel, 0);
    select(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line [" << std::string(c.line, c.line + wcslen(c.line)) << "]");
        clear_chat(client, 0);
        clear_chat(client, channel);
        dispatch(c.line);
        EXPECT_EQ(sent_lines(), c.sent);
        EXPECT_EQ(chat_texts(0), c.server_tab);
        EXPECT_EQ(chat_texts(channel), c.channel);
    }
}

TEST_F(Dispatcher, ColoursOfTheServerTabLines) {
    dispatch(L"NOTICE AUTH :*** hello");
    dispatch(L":srv NOTICE me :hi");
    dispatch(L"SILENCE -bob!*@*");
    const std::vector<ChatLine> expected = {
        {run(L"NOTICE AUTH :*** hello", colour_server_text)},
        {run(L" -srv- hi", colour_server_text)},
        {run(L"Messages from ", colour_event), run(L"[bob]", colour_nick), run(L" will be displayed", colour_event)},
    };
    EXPECT_EQ(chat_lines(0), expected);
}

TEST_F(Dispatcher, SilenceConfirmationGoesToTheSelectedChat) {
    const int chat = open_private(L"bob");
    select(chat);
    clear_chat(client, chat);
    dispatch(L"SILENCE +bob!*@*");
    EXPECT_EQ(chat_texts(chat), std::vector<std::wstring>{L"Messages from [bob] will not be displayed"});
    EXPECT_TRUE(chat_texts(0).empty());
}

TEST_F(Dispatcher, ErrorIsShownThenTheConnectionCloses) {
    const int channel = open_channel(L"#c");
    ASSERT_GT(channel, 0);
    dispatch(L"ERROR :Closing link (me@127.0.0.1) [Quit]");
    EXPECT_EQ(chat_lines(0),
              std::vector<ChatLine>{{run(L"ERROR :Closing link (me@127.0.0.1) [Quit]", colour_error_text, colour_error_back)}});
    EXPECT_EQ(client.server_socket.connected, 0);
    EXPECT_TRUE(server.wait_closed());
    // The disconnect handling closes every tab but the server tab.
    EXPECT_FALSE(client.chats[channel].in_use);
    EXPECT_EQ(client.current_chat, &client.chats[0]);
}

TEST_F(Dispatcher, BareErrorLineStillEndsTheConnection) {
    dispatch(L"ERROR :");
    EXPECT_EQ(client.server_socket.connected, 0);
    EXPECT_EQ(chat_texts(0), std::vector<std::wstring>{L"ERROR :"});
}

}  // namespace
