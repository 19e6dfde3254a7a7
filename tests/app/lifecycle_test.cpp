#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/chat_client.h"
#include "framework/message_box.h"
#include "connection/receive_loop.h"
#include "support/box_recorder.h"
#include "support/loopback.h"
#include "support/test_client.h"

namespace {

bool quit_was_posted() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

TEST(ExitConfirmation, AsksAndQuitsOnlyOnYes) {
    ChatClient& client = test_client();
    BoxRecorder boxes;
    for (UINT trigger : {UINT(WM_CLOSE), UINT(WM_COMMAND)}) {
        boxes.answer_with(IDNO);
        SendMessageW(client.main_window, trigger, trigger == WM_COMMAND ? 107 : 0, 0);
        const std::vector<BoxRecorder::Box> asked = boxes.take_boxes();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].text, L"Do you want exit ?");
        EXPECT_EQ(asked[0].caption, L"Exit");
        EXPECT_EQ(asked[0].flags, UINT(MB_YESNO | MB_ICONQUESTION));
        EXPECT_FALSE(quit_was_posted());
        EXPECT_TRUE(IsWindow(client.main_window));

        boxes.answer_with(IDYES);
        SendMessageW(client.main_window, trigger, trigger == WM_COMMAND ? 107 : 0, 0);
        EXPECT_EQ(boxes.count(), 1u);
        boxes.take();
        EXPECT_TRUE(quit_was_posted());
    }
}

TEST(ExitConfirmation, NamesTheConnectionWhenConnected) {
    ChatClient& client = test_client();
    LoopbackServer server;
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
    BoxRecorder boxes(IDNO);
    SendMessageW(client.main_window, WM_CLOSE, 0, 0);
    EXPECT_EQ(boxes.take(), L"Disconnect and exit: You are connected to IRC server.\nDo you want disconnect and exit ?\n");
    EXPECT_FALSE(quit_was_posted());
    EXPECT_EQ(client.server_socket.connected, 1);  // No leaves everything running
    close_connection(client.server_socket);
}

TEST(Shutdown, WhileConnectedSendsQuitWaitsThenCloses) {
    ChatClient& client = test_client();
    LoopbackServer server;
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
    ASSERT_TRUE(server.accept_client());
    // The far end sees the QUIT first and the close after it; the limits here
    // only guard against a hang.
    std::string quit_line;
    bool closed = false;
    std::thread far_end([&] {
        quit_line = server.receive_line(60000);
        closed = server.wait_closed(60000);
    });
    // The wait for the QUIT to leave is the shutdown's own: a busy machine can
    // only make the call longer, never shorter than that wait (less a few
    // timer ticks, which the two clocks may round differently).
    const auto start = std::chrono::steady_clock::now();
    client.shut_down();
    const long long took_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    far_end.join();
    start_network();  // shut_down stopped Winsock; the other tests still need it
    EXPECT_EQ(quit_line, "QUIT");
    EXPECT_TRUE(closed);
    EXPECT_GE(took_ms + 50, static_cast<long long>(quit_wait_ms));
    EXPECT_EQ(client.server_socket.connected, 0);
}

TEST(Shutdown, WhileDisconnectedSendsNothingAndDoesNotWait) {
    ChatClient& client = test_client();
    ASSERT_EQ(client.server_socket.connected, 0);
    auto start = std::chrono::steady_clock::now();
    client.shut_down();
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    start_network();
    // Shorter than the wait a connected shutdown makes: it was skipped.
    EXPECT_LT(took, static_cast<long long>(quit_wait_ms));
}

// The receive thread uses the client and static objects: shutting down ends
// it before they are gone, also when the server has not been heard from.
TEST(Shutdown, EndsTheReceiveThreadFirst) {
    ChatClient& client = test_client();
    LoopbackServer server;
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
    ASSERT_TRUE(start_receive_thread(client));
    ASSERT_TRUE(server.accept_client());
    EXPECT_TRUE(receive_thread_running());
    client.shut_down();
    EXPECT_FALSE(receive_thread_running());
    start_network();
}

}  // namespace
