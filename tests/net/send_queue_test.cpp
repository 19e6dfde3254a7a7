// The send queue: the penalty clock, the order lines leave in, and a receive
// loop that outlived its connection.
#include <gtest/gtest.h>

#include <thread>

#include "net/server_socket.h"
#include "support/loopback.h"

namespace {

TEST(SendPacing, ALineWaitsUntilTheClockStaysWithinItsRoomAfterIt) {
    // At `now` a line of `charged` bytes leaves (none for -1); then the wait of
    // a line of `next` bytes. A line costs 2 s plus 1 s per 120 bytes.
    const struct {
        uint64_t now;
        int charged;
        size_t next;
        uint64_t wait;
        SendPriority kind = SendPriority::normal;  // room: 9 s; a PONG's 10, a spare line's 4.5
    } steps[] = {
        {100000, 120, 120, 0}, {100000, 120, 120, 0},  // 3 s each: 106 s, and the next to 109 s
        {100000, 120, 120, 3000},                      // 112 s would be 12 s ahead
        {102000, -1, 0, 0}, {102000, -1, 120, 1000},   // 111 s fits at 102 s, 112 s does not
        {102000, -1, 120, 0, SendPriority::ahead}, {101000, -1, 120, 1000, SendPriority::ahead},
        {102000, -1, 120, 5500, SendPriority::spare},  // 112 s is 10 s ahead, 4.5 allowed
        {200000, 600, 0, 0},                           // the clock fell behind: from now, 207 s
        {200000, -1, 1200, 7000},                      // a line costing 12 s waits for the clock
        {207000, -1, 1200, 0},
    };
    SendPacing pacing;
    for (const auto& step : steps) {
        if (step.charged >= 0) pacing.charge(step.now, static_cast<size_t>(step.charged));
        EXPECT_EQ(pacing.wait_ms(step.now, step.next, step.kind), step.wait) << step.now << " " << step.next;
    }
}

TEST(SendQueue, PongAndQuitGoAheadSpareLinesGoLastOnlyQuitIgnoresThePace) {
    SendQueue::set_paced(true);
    SendQueue queue;
    std::string bytes;
    queue.push(std::string(1198, 'a') + "\r\n", SendPriority::normal);  // 12 s on the clock
    queue.push("MODE #c\r\n", SendPriority::spare);
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
    EXPECT_EQ(order, (std::vector<std::string>{"PONG :x\r\n", "QUIT\r\n", "PONG :y\r\n", "second\r\n", "MODE #c\r\n"}));
    EXPECT_TRUE(queue.wait_urgent_sent(0));
}

// Automatic answers go only while nothing waits and the clock keeps half its
// room (4.5 s) free.
TEST(SendQueue, SparesALineOnlyWhileNothingWaitsAndHalfThePaceIsFree) {
    SendQueue::set_paced(true);
    SendQueue queue;
    std::string bytes;
    std::vector<bool> spare = {queue.can_spare_line()};
    for (const size_t size : {300u, 3u}) {  // 4.5 s, then 2 s more
        queue.push(std::string(size - 2, 'a') + "\r\n", SendPriority::normal);
        spare.push_back(queue.can_spare_line());
        EXPECT_TRUE(queue.take(bytes, 0));
        queue.taken_done();
        spare.push_back(queue.can_spare_line());
    }
    SendQueue::set_paced(false);
    EXPECT_EQ(spare, (std::vector<bool>{true, false, true, false, false}));
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
