#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "app/chat_client.h"
#include "framework/message_box.h"
#include "connection/connection_start.h"
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
    // The far end sees the QUIT first and the close after it: the shutdown
    // gives the QUIT its moment to leave before it closes. The limits here
    // only guard against a hang.
    std::string quit_line;
    bool closed = false;
    std::thread far_end([&] {
        quit_line = server.receive_line(60000);
        closed = server.wait_closed(60000);
    });
    client.shut_down();
    far_end.join();
    start_network();  // shut_down stopped Winsock; the other tests still need it
    EXPECT_EQ(quit_line, "QUIT");
    EXPECT_TRUE(closed);
    EXPECT_EQ(client.server_socket.connected, 0);
}

// Not connected yet: an attempt still waits on a server that takes no more
// clients. Shutting down ends it rather than waiting for the server: the wait
// for the receive thread gives up after 10 s, so a thread still running when
// it returns is one that waited on the network. Nothing reaches the server.
TEST(Shutdown, WhileDisconnectedSendsNothingAndDoesNotWait) {
    ChatClient& client = test_client();
    ASSERT_EQ(client.server_socket.connected, 0);
    unsigned short port = 0;
    const SOCKET listener = listen_on_loopback(1, port);
    ASSERT_NE(port, 0);
    std::vector<SOCKET> fillers = fill_backlog(port, 4);
    ASSERT_TRUE(connect_and_start(client, {L"127.0.0.1", std::to_wstring(port), L"Leaving", L"leaving"}));
    ASSERT_TRUE(receive_thread_running());
    // Winsock stays up through the shutdown's own cleanup (it counts its
    // starts), so that only the shutdown itself can end the attempt.
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &winsock), 0);
    client.shut_down();
    EXPECT_FALSE(receive_thread_running());
    EXPECT_EQ(client.server_socket.connected, 0);
    // The backlog drains: only the fillers were ever waiting.
    const auto port_of = [](SOCKET sock, bool peer) {
        sockaddr_in address{};
        int length = sizeof address;
        const int got = peer ? getpeername(sock, reinterpret_cast<sockaddr*>(&address), &length)
                             : getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
        return got == 0 ? ntohs(address.sin_port) : 0;
    };
    std::vector<unsigned short> filler_ports;
    for (SOCKET sock : fillers) filler_ports.push_back(port_of(sock, false));
    for (SOCKET sock; (sock = accept_within(listener, 1000)) != INVALID_SOCKET;) {
        const unsigned short from = port_of(sock, true);
        EXPECT_NE(std::find(filler_ports.begin(), filler_ports.end(), from), filler_ports.end()) << from;
        closesocket(sock);
    }
    for (SOCKET sock : fillers) closesocket(sock);
    closesocket(listener);
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
