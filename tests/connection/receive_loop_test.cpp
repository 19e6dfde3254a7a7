#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "chat/chat_tabs.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "connection/server_log.h"
#include "net/tls_errors.h"
#include "chat/ui_post.h"
#include "support/net_test_support.h"

// Memory running out off the test's thread: the next allocation there of at least this many bytes fails.
std::atomic<size_t> fail_next_large_allocation{0};
const DWORD test_thread = GetCurrentThreadId();

void* operator new(size_t size) {
    size_t limit = fail_next_large_allocation.load();
    if (limit && size >= limit && GetCurrentThreadId() != test_thread &&
        fail_next_large_allocation.compare_exchange_strong(limit, 0))
        throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }

namespace {
using namespace net_test;

class ReceiveLoopTest : public testing::Test {
protected:
    ChatClient& client = test_client();
    LoopbackServer server;
    std::wstring folder;

    void SetUp() override {
        start_ui_posts();
        if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
        folder = use_fresh_folder(client, L"receive");
        client.check_compatible_app = true;
        client.save_log_file = false;
        // A known address: registration then needs no lookup.
        client.connection.public_ip = L"192.0.2.1";
    }
    void TearDown() override {
        stop_receive_thread(client);
        pump_messages();
        set_message_box_hook(nullptr);
    }

    bool connect(const wchar_t* nickname = L"Tester", const wchar_t* username = L"abcdef") {
        return connect_to(server, nickname, username);
    }
    bool connect_to(LoopbackServer& far_end, const wchar_t* nickname, const wchar_t* username) {
        ConnectRequest request{L"127.0.0.1", std::to_wstring(far_end.port()), nickname, username};
        const bool ok = connect_and_start(client, request);
        return ok && far_end.accept_client();
    }
    std::wstring server_tab() { return chat_text(client, 0); }
    // The log is written as soon as the receive thread has no more lines at
    // hand, a moment after they are shown. It is read the way another program
    // would leave it free to be replaced: the switch to UTF-8 puts a new file
    // in its place, which an open file without delete sharing would refuse.
    static std::string shared_read(const std::wstring& path) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return {};
        std::string bytes;
        char chunk[65536];
        DWORD got = 0;
        while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
        CloseHandle(file);
        return bytes;
    }
    testing::AssertionResult log_holds(const std::string& expected, bool print = true) {
        std::string log;
        if (wait_until([&] { return (log = shared_read(server_log_path(client))) == expected; }))
            return testing::AssertionSuccess();
        if (!print) return testing::AssertionFailure() << "the log holds " << log.size() << " bytes";
        return testing::AssertionFailure() << "the log holds \"" << log << "\"";
    }
    bool server_tab_shows(const std::wstring& text, int timeout_ms = 10000) {
        return wait_until([&] { return contains(server_tab(), text); }, timeout_ms);
    }
    // The logs kept aside beside the current one, each file's bytes.
    std::vector<std::string> kept_logs() {
        std::vector<std::string> kept;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"Downloads\\server_data_log *.txt").c_str(), &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
            kept.push_back(shared_read(folder + L"Downloads\\" + found.cFileName));
        return FindClose(search), kept;
    }
    bool disconnected(int timeout_ms = 10000) {
        return wait_until([&] { return client.server_socket.connected == 0; }, timeout_ms);
    }
};

TEST_F(ReceiveLoopTest, RegistersWithOrWithoutTheCompatibleMark) {
    struct Case {
        bool compatible;
        const wchar_t* username;
        const char* user_line;
    } cases[] = {
        {true, L"abcdef", "USER z-zabcdef z-zabcdef z-zabcdef :z-zabcdef"},
        {false, L"abcdef", "USER abcdef abcdef abcdef :abcdef"},
        {true, L"abcdefghij", "USER z-zabcdefghij z-zabcdefghij z-zabcdefghij :z-zabcdefghij"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user_line);
        client.check_compatible_app = c.compatible;
        LoopbackServer far_end;
        ASSERT_TRUE(connect_to(far_end, L"Nickname1", c.username));
        EXPECT_EQ(next_line(far_end), "CAP LS 302");
        EXPECT_EQ(next_line(far_end), "NICK Nickname1");
        EXPECT_EQ(next_line(far_end), c.user_line);
        stop_receive_thread(client);
    }
}

TEST_F(ReceiveLoopTest, WritesTheProgressLinesIntoAClearedServerTab) {
    append_chat_text(L"left over from before", client, 0, RGB(0, 255, 0), 0, true);
    ASSERT_TRUE(connect(L"Progress1", L"progre"));
    const std::wstring port = std::to_wstring(server.port());
    const std::wstring expected = L"Connecting to IRC server 127.0.0.1:" + port + L"\r\nNickname: Progress1\r\n" +
                                  L"Username: progre\r\nConnection successfully established.";
    EXPECT_TRUE(server_tab_shows(expected)) << server_tab();
    EXPECT_FALSE(contains(server_tab(), L"left over from before"));
    EXPECT_EQ(client.connection.nickname, L"Progress1");
    EXPECT_EQ(client.connection.username, L"progre");
    EXPECT_EQ(client.connection.host, L"127.0.0.1");
    EXPECT_EQ(client.connection.port, port);
}

TEST_F(ReceiveLoopTest, AFailedConnectIsReportedAndStartsNothing) {
    unsigned short dead_port;
    {
        LoopbackServer gone;
        dead_port = gone.port();
    }
    const std::wstring port = std::to_wstring(dead_port);
    ConnectRequest request{L"127.0.0.1", port, L"Failing1", L"failin"};
    EXPECT_TRUE(connect_and_start(client, request));  // the receive thread tries, and says how it went
    EXPECT_TRUE(server_tab_shows(L"Connection error to IRC server 127.0.0.1:" + port));
    EXPECT_TRUE(wait_until([] { return !receive_thread_running(); }));
    EXPECT_EQ(client.server_socket.connected, 0);
    EXPECT_FALSE(contains(server_tab(), L"Connection successfully established."));
    // The new values are kept even though the connect failed.
    EXPECT_EQ(client.connection.nickname, L"Failing1");
    EXPECT_EQ(client.connection.port, port);
}

TEST_F(ReceiveLoopTest, PortTextsBecomeNumbers) {
    const std::pair<const wchar_t*, unsigned short> cases[] = {
        {L"6667", 6667}, {L"1", 1}, {L"0", 0}, {L"", 0}, {L"66a7", 0}, {L"65535", 65535}, {L"65536", 0}, {L"-1", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(port_number(c.first), c.second) << c.first;
}

TEST_F(ReceiveLoopTest, DispatchesEveryLineWithText) {
    ASSERT_TRUE(connect());
    next_line(server);  // CAP LS 302
    next_line(server);
    next_line(server);
    server.send_bytes(":srv 999 me :first\r\nPING :abc\r\n:srv 999 me :second\r\n");
    EXPECT_EQ(next_line(server), "PONG :abc");
    EXPECT_TRUE(server_tab_shows(L":srv 999 me :second"));
    EXPECT_TRUE(contains(server_tab(), L":srv 999 me :first"));
}

TEST_F(ReceiveLoopTest, TwoHundredEmptyReadsInARowEndTheConnection) {
    ASSERT_TRUE(connect());
    next_line(server);  // CAP LS 302
    next_line(server);
    next_line(server);
    // 199 empty lines, then a line with text resets the count.
    std::string almost;
    for (int i = 0; i < idle_read_limit - 1; ++i) almost += "\r\n";
    server.send_bytes(almost + "PING :still\r\n" + almost + "PING :there\r\n");
    EXPECT_EQ(next_line(server), "PONG :still");
    EXPECT_EQ(next_line(server), "PONG :there");
    EXPECT_EQ(client.server_socket.connected, 1);
    EXPECT_FALSE(contains(server_tab(), server_not_responding_text));

    server.send_bytes(almost + "\r\n");
    EXPECT_TRUE(disconnected());
    EXPECT_TRUE(server_tab_shows(server_not_responding_text));
    EXPECT_TRUE(closed_by_client(server));
}

TEST_F(ReceiveLoopTest, TlsToAPlainServerFailsBeforeAnyIrcIsSent) {
    ConnectRequest request{L"127.0.0.1", std::to_wstring(server.port()), L"Tester", L"abcdef", true};
    ASSERT_TRUE(connect_and_start(client, request));
    ASSERT_TRUE(server.accept_client());
    EXPECT_EQ(server.receive_bytes(1), "\x16");  // a TLS handshake record
    server.send_bytes(":srv NOTICE AUTH :*** Looking up your hostname\r\n");
    // Told at once, not after the handshake's time limit.
    EXPECT_TRUE(server_tab_shows(std::wstring(L"Secure connection failed: ") + tls_error::not_tls, 5000));
    EXPECT_TRUE(disconnected(2000));
    EXPECT_EQ(server.receive_all(2000).find("NICK"), std::string::npos);
}

TEST_F(ReceiveLoopTest, AServerThatClosesIsNotRespondingAtOnce) {
    ASSERT_TRUE(connect());
    next_line(server);
    server.send_bytes(":srv 999 me :last words\r\n");
    server.close_client();
    EXPECT_TRUE(disconnected(5000));
    EXPECT_TRUE(server_tab_shows(L"IRC server not responding"));
    const std::wstring text = server_tab();
    EXPECT_LT(text.find(L"last words"), text.find(L"IRC server not responding"));
}

TEST_F(ReceiveLoopTest, LogsEveryReceivedLineAndNoSentOne) {
    client.save_log_file = true;
    ASSERT_TRUE(connect());
    next_line(server);  // CAP LS 302
    next_line(server);
    next_line(server);
    server.send_bytes(":srv NOTICE me :one\r\nPING :two\r\n:srv 999 me :caf\xE9\r\n");
    EXPECT_EQ(next_line(server), "PONG :two");
    ASSERT_TRUE(server_tab_shows(L"caf\u00E9"));
    EXPECT_TRUE(log_holds(":srv NOTICE me :one\r\nPING :two\r\n:srv 999 me :caf\xE9\r\n"));
}

// The loop reads lines in place and reuses one line's storage: a line of the
// cap is whole, the rest of a longer one is dropped rather than read as a line
// of its own, and a short line after long ones (or with a byte above 0x7F)
// carries nothing of them.
TEST_F(ReceiveLoopTest, LinesOfEveryLengthArriveWholeAndAlone) {
    client.save_log_file = true;
    ASSERT_TRUE(connect());
    next_line(server);  // CAP LS 302
    next_line(server);
    next_line(server);
    // The long lines are single words, which the dispatcher drops unseen: a
    // chat showing 64 KB lines would only slow the test.
    const std::string at_cap(LineReader::line_cap, 'c');
    const std::string over_cap = std::string(LineReader::line_cap, 'o') + "PING :forged";
    const std::string lines[] = {":srv 999 me :caf\xE9 cr\xE8me", at_cap, "PING :x", over_cap, ":srv 999 me :\xE9t\xE9",
                                 "PING :done"};
    std::string sent, logged;
    for (const std::string& line : lines) sent += line + "\r\n";
    server.send_bytes(sent + ":srv 999 me :a part");  // the whole lines are logged while it waits
    EXPECT_EQ(next_line(server), "PONG :x");
    EXPECT_EQ(next_line(server), "PONG :done");
    for (const std::string& line : lines) logged += line.substr(0, LineReader::line_cap) + "\r\n";
    EXPECT_TRUE(log_holds(logged, false));  // not printed: the lines are 64 KB long
    EXPECT_TRUE(server_tab_shows(L":srv 999 me :\u00e9t\u00e9"));
}

// The log stays in the code page while its lines fit it (as above); the first
// line that does not starts a new log in UTF-8, after a byte order mark, and
// the old one is kept as it was under a dated name. A new log whose first
// line needs UTF-8 starts so. Nothing is ever read back.
TEST_F(ReceiveLoopTest, ALineThatNeedsUtf8StartsANewLogAndTheOldIsKept) {
    client.save_log_file = true;
    const std::wstring log = server_log_path(client);
    ASSERT_TRUE(connect());
    next_line(server);  // CAP LS 302
    next_line(server);
    next_line(server);
    server.send_bytes(":srv 999 me :caf\xE9\r\nPING :one\r\n");
    EXPECT_EQ(next_line(server), "PONG :one");
    EXPECT_TRUE(log_holds(":srv 999 me :caf\xE9\r\nPING :one\r\n"));
    // Lines that come together are logged together: the one before the line
    // that needs UTF-8 goes into the old file.
    server.send_bytes(":srv 999 me :d\xE9j\xE0\r\n:srv 999 me :\xD0\xB6 \xF0\x9F\x98\x80\r\n:srv 999 me :caf\xE9\r\n"
                      "PING :two\r\n");
    EXPECT_EQ(next_line(server), "PONG :two");
    EXPECT_TRUE(log_holds("\xEF\xBB\xBF:srv 999 me :\xD0\xB6 \xF0\x9F\x98\x80\r\n:srv 999 me :caf\xC3\xA9\r\nPING :two\r\n"));
    EXPECT_EQ(kept_logs(), std::vector<std::string>{":srv 999 me :caf\xE9\r\nPING :one\r\n:srv 999 me :d\xE9j\xE0\r\n"});

    // The receive thread may still be closing the file it has just written.
    ASSERT_TRUE(wait_until([&] { return DeleteFileW(log.c_str()) != 0; }));
    server.send_bytes(":srv 999 me :\xE4\xB8\xAD\r\n:srv 999 me :caf\xE9\r\nPING :three\r\n");
    EXPECT_EQ(next_line(server), "PONG :three");
    EXPECT_TRUE(log_holds("\xEF\xBB\xBF:srv 999 me :\xE4\xB8\xAD\r\n:srv 999 me :caf\xC3\xA9\r\nPING :three\r\n"));

    // Past its size limit the log is kept aside too, and a new one begun.
    HANDLE file =
        CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size{{static_cast<DWORD>(server_log_size_limit), 0}};
    ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file) && CloseHandle(file));
    server.send_bytes("PING :four\r\n");
    EXPECT_EQ(next_line(server), "PONG :four");
    EXPECT_TRUE(log_holds("PING :four\r\n"));
    EXPECT_EQ(kept_logs().size(), 2u);
}

TEST_F(ReceiveLoopTest, WhatTheLoopThrowsClosesTheConnectionWithANotice) {
    ASSERT_TRUE(connect());
    next_line(server);
    fail_next_large_allocation = 100000;  // a line of 60,000 characters takes more
    server.send_bytes(std::string(60000, 'a') + "\r\n");
    EXPECT_TRUE(disconnected());
    EXPECT_TRUE(server_tab_shows(L"Reading from the IRC server failed (std::bad_alloc); the connection was closed."));
    EXPECT_EQ(fail_next_large_allocation, 0u);
}

TEST_F(ReceiveLoopTest, NoLogIsWrittenWhenSwitchedOff) {
    ASSERT_TRUE(connect());
    next_line(server);
    server.send_bytes(":srv 999 me :unlogged\r\n");
    ASSERT_TRUE(server_tab_shows(L"unlogged"));
    EXPECT_FALSE(file_exists(server_log_path(client)));
}

TEST_F(ReceiveLoopTest, AnUnwritableLogIsReportedOnceAndLinesFlowOn) {
    folder = use_fresh_folder(client, L"nolog", false);  // no Downloads folder
    client.save_log_file = true;
    BoxRecorder boxes;
    ASSERT_TRUE(connect());
    next_line(server);  // CAP LS 302
    next_line(server);
    next_line(server);
    std::string lines;
    for (int i = 1; i <= 50; ++i) lines += ":srv 999 me :line " + std::to_string(i) + "\r\n";
    server.send_bytes(lines + "PING :alive\r\n");
    // The receive thread keeps answering while the box waits for the user.
    EXPECT_EQ(next_line(server), "PONG :alive");
    EXPECT_TRUE(server_tab_shows(L":srv 999 me :line 50"));
    // The lines flow on, and the tries that fail after the first stay silent:
    // "PONG :again" follows a try to write "line 51".
    for (const char* more : {":srv 999 me :line 51\r\nPING :still\r\n", "PING :again\r\n"})
        server.send_bytes(more), next_line(server);
    pump_messages();
    const std::vector<BoxRecorder::Box> shown = boxes.take_boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"Unable to create 'server_data.txt' file.");
    EXPECT_EQ(shown[0].caption, L"File create error");
    EXPECT_EQ(shown[0].flags & MB_ICONMASK, UINT(MB_ICONERROR));

    // The next connection reports it again, once, and its lines wait for the log.
    LoopbackServer second;
    ASSERT_TRUE(connect_to(second, L"Tester", L"abcdef"));
    next_line(second);  // CAP LS 302
    next_line(second);
    next_line(second);
    second.send_bytes(":srv 999 me :again\r\n:srv 999 me :and again\r\n");
    EXPECT_TRUE(server_tab_shows(L"and again"));
    EXPECT_TRUE(wait_until([&] { return boxes.count() == 1; }));
    ASSERT_TRUE(CreateDirectoryW((folder + L"Downloads").c_str(), nullptr));
    second.send_bytes("PING :written\r\n");
    EXPECT_EQ(next_line(second), "PONG :written");
    EXPECT_TRUE(log_holds(":srv 999 me :again\r\n:srv 999 me :and again\r\nPING :written\r\n"));
}

TEST_F(ReceiveLoopTest, ASecondConnectReplacesAPendingOne) {
    ASSERT_TRUE(connect(L"FirstNick", L"firsts"));
    EXPECT_EQ(next_line(server), "CAP LS 302");
    EXPECT_EQ(next_line(server), "NICK FirstNick");
    LoopbackServer second;
    ASSERT_TRUE(connect_to(second, L"SecondNick", L"second"));
    EXPECT_TRUE(closed_by_client(server));
    EXPECT_EQ(next_line(second), "CAP LS 302");
    EXPECT_EQ(next_line(second), "NICK SecondNick");
    EXPECT_EQ(next_line(second), "USER z-zsecond z-zsecond z-zsecond :z-zsecond");
    second.send_bytes("PING :b\r\n");
    EXPECT_EQ(next_line(second), "PONG :b");
    EXPECT_EQ(client.server_socket.connected, 1);
    EXPECT_FALSE(contains(server_tab(), server_not_responding_text));
}

TEST_F(ReceiveLoopTest, TheProgramFolderIsKeptForOtherThreads) {
    ASSERT_TRUE(connect());
    next_line(server);
    EXPECT_TRUE(wait_until([&] { return program_folder() == folder; }));
}

}  // namespace
