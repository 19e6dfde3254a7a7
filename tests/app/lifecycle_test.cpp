#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/chat_client.h"
#include "framework/message_box.h"
#include "connection/receive_loop.h"
#include "support/loopback.h"
#include "support/test_client.h"

namespace {

struct AskedBox {
    std::wstring text, caption;
    UINT flags = 0;
    int asked = 0;
};

// Answers every message box with `answer` and remembers the last one asked.
void answer_boxes(AskedBox& box, int answer) {
    set_message_box_hook([&box, answer](HWND, const wchar_t* text, const wchar_t* caption, UINT flags) {
        box.text = text;
        box.caption = caption;
        box.flags = flags;
        ++box.asked;
        return answer;
    });
}

bool quit_was_posted() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

TEST(ExitConfirmation, AsksAndQuitsOnlyOnYes) {
    ChatClient& client = test_client();
    AskedBox box;
    for (UINT trigger : {UINT(WM_CLOSE), UINT(WM_COMMAND)}) {
        answer_boxes(box, IDNO);
        SendMessageW(client.main_window, trigger, trigger == WM_COMMAND ? 107 : 0, 0);
        EXPECT_EQ(box.text, L"Do you want exit ?");
        EXPECT_EQ(box.caption, L"Exit");
        EXPECT_EQ(box.flags, UINT(MB_YESNO | MB_ICONQUESTION));
        EXPECT_FALSE(quit_was_posted());
        EXPECT_TRUE(IsWindow(client.main_window));

        answer_boxes(box, IDYES);
        SendMessageW(client.main_window, trigger, trigger == WM_COMMAND ? 107 : 0, 0);
        EXPECT_TRUE(quit_was_posted());
    }
    set_message_box_hook(nullptr);
}

TEST(ExitConfirmation, NamesTheConnectionWhenConnected) {
    ChatClient& client = test_client();
    LoopbackServer server;
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
    AskedBox box;
    answer_boxes(box, IDNO);
    SendMessageW(client.main_window, WM_CLOSE, 0, 0);
    EXPECT_EQ(box.text, L"You are connected to IRC server.\nDo you want disconnect and exit ?");
    EXPECT_EQ(box.caption, L"Disconnect and exit");
    EXPECT_FALSE(quit_was_posted());
    EXPECT_EQ(client.server_socket.connected, 1);  // No leaves everything running
    close_connection(client.server_socket);
    set_message_box_hook(nullptr);
}

TEST(Shutdown, WhileConnectedSendsQuitWaitsThenCloses) {
    ChatClient& client = test_client();
    LoopbackServer server;
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
    ASSERT_TRUE(server.accept_client());
    using clock = std::chrono::steady_clock;
    clock::time_point quit_seen, closed_seen;
    std::string quit_line;
    bool closed = false;
    std::thread far_end([&] {
        quit_line = server.receive_line(10000);
        quit_seen = clock::now();
        closed = server.wait_closed(10000);
        closed_seen = clock::now();
    });
    client.shut_down();
    far_end.join();
    start_network();  // shut_down stopped Winsock; the other tests still need it
    EXPECT_EQ(quit_line, "QUIT");
    EXPECT_TRUE(closed);
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(closed_seen - quit_seen).count();
    EXPECT_GE(waited, 1800);
    EXPECT_LE(waited, 4000);
    EXPECT_EQ(client.server_socket.connected, 0);
}

TEST(Shutdown, WhileDisconnectedSendsNothingAndDoesNotWait) {
    ChatClient& client = test_client();
    ASSERT_EQ(client.server_socket.connected, 0);
    auto start = std::chrono::steady_clock::now();
    client.shut_down();
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    start_network();
    EXPECT_LT(took, 1000);
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
