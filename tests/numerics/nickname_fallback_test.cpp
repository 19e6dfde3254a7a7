// A connection that replaces a lost one answers "nickname in use" with the
// usual alternative, a few times, and only before it has registered.
#include "numerics_fixture.h"

#include "irc/nickname_fallback.h"

namespace {
using namespace net_test;

TEST(AlternativeNickname, AddsOrTurnsAnUnderscore) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Quillfan", L"Quillfan_"},  {L"Quillfan_", L"Quillfa__"},  {L"Quillfann", L"Quillfan_"},
        {L"LongerName12", L"LongerName1_"}, {L"a", L"a_"}, {L"X________", L""}, {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(alternative_nickname(c.first), c.second) << c.first;
}

TEST_F(NumericsTest, NicknameInUseTriesAlternativesOnlyWhereOffered) {
    ServerSocket& socket = client.server_socket;
    socket.registered = 0;
    // Not offered (the user's own Connect): the connection ends, as ever.
    offer_alternative_nicknames(socket.opened + 1);
    feed(L":srv 433 * Quillfan :Nickname already in use");
    ASSERT_TRUE(server.wait_closed());
    EXPECT_EQ(socket.connected, 0);

    LoopbackServer next;
    ASSERT_TRUE(connect_to_server(socket, L"127.0.0.1", next.port()));
    ASSERT_TRUE(next.accept_client());
    offer_alternative_nicknames(socket.opened);
    const char* expected[] = {"NICK Quillfan_", "NICK Quillfa__", "NICK Quillf___"};
    std::wstring refused = L"Quillfan";
    for (const char* nick : expected) {
        feed(L":srv 433 * " + refused + L" :Nickname already in use");
        EXPECT_EQ(next.receive_line(2000), nick);
        EXPECT_NE(socket.connected, 0);
        refused = wide_text(nick + 5, CP_ACP);
    }
    // Out of tries: the connection ends.
    feed(L":srv 433 * " + refused + L" :Nickname already in use");
    EXPECT_TRUE(next.wait_closed());
    EXPECT_EQ(socket.connected, 0);

    // Registered: a nickname asked for later is refused as ever.
    LoopbackServer third;
    ASSERT_TRUE(connect_to_server(socket, L"127.0.0.1", third.port()));
    ASSERT_TRUE(third.accept_client());
    offer_alternative_nicknames(socket.opened);
    ASSERT_TRUE(claim_registration(socket));
    feed(L":srv 433 Quillfan other :Nickname already in use");
    EXPECT_TRUE(third.wait_closed());
}

}  // namespace
