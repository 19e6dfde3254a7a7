// A connection that replaces a lost one answers "nickname in use" with the
// usual alternative, a few times, and only before it has registered.
#include "numerics_fixture.h"

#include "irc/nickname_fallback.h"

namespace {
using namespace net_test;

TEST_F(NumericsTest, NicknameInUseTriesAlternativesOnlyWhereOffered) {
    const std::pair<const wchar_t*, const wchar_t*> alternatives[] = {
        {L"Quillfan", L"Quillfan_"}, {L"Quillfann", L"Quillfan_"}, {L"LongerName12", L"LongerName1_"},
        {L"a", L"a_"}, {L"X________", L""}, {L"", L""},
    };
    for (const auto& a : alternatives) EXPECT_EQ(alternative_nickname(a.first), a.second) << a.first;

    ServerSocket& socket = client.server_socket;
    socket.registered = 0;
    offer_alternative_nicknames(socket.opened + 1);  // another connection (the user's own Connect)
    feed(L":srv 433 * Quillfan :Nickname already in use");
    EXPECT_TRUE(server.wait_closed());

    for (bool registers : {false, true}) {
        LoopbackServer next;
        ASSERT_TRUE(connect_to_server(socket, L"127.0.0.1", next.port()) && next.accept_client());
        offer_alternative_nicknames(socket.opened);
        // Registered: a nickname asked for later is refused as ever.
        if (registers) {
            ASSERT_TRUE(claim_registration(socket));
        }
        const std::vector<std::string> tries =
            registers ? std::vector<std::string>{} : std::vector<std::string>{"Quillfan_", "Quillfa__", "Quillf___"};
        std::string refused = "Quillfan";
        for (const std::string& nick : tries) {
            feed(L":srv 433 * " + wide_text(refused, CP_ACP) + L" :Nickname already in use");
            EXPECT_EQ(next.receive_line(2000), "NICK " + nick);
            refused = nick;
        }
        EXPECT_NE(socket.connected, 0);
        feed(L":srv 433 * " + wide_text(refused, CP_ACP) + L" :Nickname already in use");  // out of tries, or registered
        EXPECT_TRUE(next.wait_closed());
        EXPECT_EQ(socket.connected, 0);
    }
}

}  // namespace
