// The send queue: the penalty clock, the order lines leave in, and a receive
// loop that outlived its connection.
#include <gtest/gtest.h>

#include <thread>

#include "net/server_socket.h"
#include "support/loopback.h"

namespace {

TEST(SendPacing, WaitsOnlyWhileTheClockIsMoreThanTenSecondsAhead) {
    // The line that leaves at `now` (its bytes), then the next one's wait.
    const uint64_t steps[][3] = {
        {100000, 120, 0}, {100000, 120, 0}, {100000, 120, 0}, {100000, 120, 2000},  // 3 s each: 112 s
        {102000, 0, 2000},     // 114 s at 102 s
        {200000, 600, 0},      // the clock fell behind: from now, 207 s
        {200000, 1200, 9000},  // 219 s
    };
    SendPacing pacing;
    for (const auto& step : steps) {
        pacing.charge(step[0], step[1]);
        EXPECT_EQ(pacing.wait_ms(step[0]), step[2]) << step[0];
    }
}

TEST(SendQueue, PongAndQuitGoAheadAndOnlyQuitIgnoresThePace) {
    SendQueue::set_paced(true);
    SendQueue queue;
    std::string bytes;
    queue.push(std::string(1198, 'a') + "\r\n", SendPriority::normal);  // 12 s on the clock
    queue.push("second\r\n", SendPriority::normal);
    ASSERT_TRUE(queue.take(bytes, 0));
    queue.taken_done();
    queue.push("PONG :x\r\n", SendPriority::ahead);
    const bool pong_waits = !queue.take(bytes, 0);
    queue.push("QUIT\r\n", SendPriority::last);
    queue.push("PONG :y\r\n", SendPriority::ahead);
    std::vector<std::string> order;
    for (SendQueue::set_paced(false); queue.take(bytes, 0); queue.taken_done()) order.push_back(bytes);
    EXPECT_TRUE(pong_waits);
    EXPECT_EQ(order, (std::vector<std::string>{"PONG :x\r\n", "QUIT\r\n", "PONG :y\r\n", "second\r\n"}));
    EXPECT_TRUE(queue.wait_urgent_sent(0));
}

// What a receive loop that outlived its connection sends, claims or closes
// stays with its own connection, never the next one.
TEST(ConnectionBinding, ALoopThatOutlivedItsConnectionTouchesNothingOfTheNext) {
    ServerSocket server;
    LoopbackServer first, second;
    ASSERT_TRUE(connect_to_server(server, L"127.0.0.1", first.port()) && first.accept_client());
    const std::shared_ptr<OpenSocket> old = hold_connection(server);
    ASSERT_TRUE(connect_to_server(server, L"127.0.0.1", second.port()) && second.accept_client());
    int sent = 0;
    std::thread loop([&] {
        bind_thread_to_connection(old.get());
        sent = send_line(L"PONG :late", server);
        claim_registration(server);
        close_connection(server);
        bind_thread_to_connection(nullptr);
    });
    loop.join();
    EXPECT_EQ(sent, SOCKET_ERROR);  // its own connection closed when the next one opened
    EXPECT_NE(server.registered.load(), server.opened.load());
    EXPECT_EQ(server.connected, 1);
    EXPECT_NE(send_line(L"PRIVMSG #room :current", server), SOCKET_ERROR);
    EXPECT_EQ(second.receive_line(5000), "PRIVMSG #room :current");
    close_connection(server);
}

}  // namespace
