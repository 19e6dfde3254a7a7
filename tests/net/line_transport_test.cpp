#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "net/irc_commands.h"
#include "net/server_socket.h"
#include "support/loopback.h"

namespace {

// A connected pair: the program's ServerSocket and the test's server end.
struct Connection {
    LoopbackServer server;
    ServerSocket socket;
    Connection() {
        EXPECT_TRUE(connect_to_server(socket, L"127.0.0.1", server.port()));
        EXPECT_TRUE(server.accept_client());
    }
    ~Connection() {
        if (socket.connected) close_connection(socket);
    }
    std::wstring read(int* result = nullptr) {
        std::wstring line;
        int n = receive_line(socket, line);
        if (result) *result = n;
        return line;
    }
};

struct ReadCase {
    const char* name;
    std::string wire;
    std::vector<std::wstring> lines;
};

TEST(ReceiveLine, SplitsExactlyAtCrLf) {
    const ReadCase cases[] = {
        {"ping", "PING :abc\r\n", {L"PING :abc"}},
        // Nothing received may break a line or reorder it: such characters are shown as marks.
        {"lone LF marked", std::string("a\nb\v\f\r\n"), {L"a\u21B5b\u21B5\u21B5"}},
        {"lone CR marked", std::string("a\rb\r\n"), {L"a\u21B5b"}},
        {"CR CR LF keeps one CR", std::string("a\r\r\n"), {L"a\u21B5"}},
        {"separators and bidi", "x\xE2\x80\xA8y\xE2\x80\xAEz\xE2\x81\xA6w\xE2\x80\x8F!\xD8\x9C\r\n",
         {L"x\u21B5y\uFFFDz\uFFFDw\uFFFD!\uFFFD"}},
        {"joiners kept", "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\r\n", {L"\U0001F468\u200D\U0001F469"}},
        {"empty line", "\r\n", {L""}},
        {"several in one write", "one\r\ntwo\r\n\r\nthree\r\n", {L"one", L"two", L"", L"three"}},
        {"code page 1252", std::string("caf\xE9 \x80\r\n"), {L"caf\u00E9 \u20AC"}},
        {"UTF-8", "PRIVMSG #room :\xD0\xA2\xD0\xBE \xE4\xB8\xAD \xF0\x9F\x98\x80\r\n",
         {L"PRIVMSG #room :\u0422\u043E \u4E2D \U0001F600"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Connection conn;
        conn.server.send_bytes(c.wire);
        for (const auto& expected : c.lines) {
            int result = 0;
            EXPECT_EQ(conn.read(&result), expected);
            EXPECT_EQ(result, static_cast<int>(expected.size()) + 1);
        }
    }
}

TEST(ReceiveLine, CrLfSplitAcrossWritesStillEndsTheLine) {
    Connection conn;
    std::thread writer([&] {
        conn.server.send_bytes("abc\r");
        Sleep(100);
        conn.server.send_bytes("\ndef\r\n");
    });
    EXPECT_EQ(conn.read(), L"abc");
    EXPECT_EQ(conn.read(), L"def");
    writer.join();
}

TEST(ReceiveLine, LongLinesAreReadWhole) {
    Connection conn;
    std::string two_thousand(2000, 'x');
    std::string sixty_k(60000, 'y');
    conn.server.send_bytes(two_thousand + "\r\n" + sixty_k + "\r\nnext\r\n");
    EXPECT_EQ(conn.read().size(), 2000u);
    EXPECT_EQ(conn.read().size(), 60000u);
    EXPECT_EQ(conn.read(), L"next");
}

TEST(ReceiveLine, EndlessLineIsCappedAndItsTailDropped) {
    Connection conn;
    std::thread writer([&] {
        std::string chunk(100000, 'z');
        for (int i = 0; i < 50; ++i) conn.server.send_bytes(chunk);  // 5 MB without CR LF
        conn.server.send_bytes("\r\nPING :after\r\n");
    });
    std::wstring capped = conn.read();
    EXPECT_EQ(capped.size(), LineReader::line_cap);
    EXPECT_EQ(conn.read(), L"PING :after");
    writer.join();
}

TEST(ReceiveLine, ClosedConnectionYieldsEmptyLinesForever) {
    Connection conn;
    conn.server.send_bytes("last\r\npartial");
    conn.server.close_client();
    EXPECT_EQ(conn.read(), L"last");
    EXPECT_EQ(conn.read(), L"partial");
    for (int i = 0; i < 200; ++i) {
        int result = 0;
        EXPECT_EQ(conn.read(&result), L"");
        EXPECT_EQ(result, 1);
    }
}

TEST(SendLine, PutsTextAndCrLfOnTheWire) {
    Connection conn;
    EXPECT_EQ(send_line(L"QUIT", conn.socket), 4);
    EXPECT_EQ(conn.server.receive_bytes(6), "QUIT\r\n");
    send_line(L"PRIVMSG #caf\u00E9 :\u20AC", conn.socket);
    EXPECT_EQ(conn.server.receive_line(), "PRIVMSG #caf\xE9 :\x80");
    // A line the code page cannot hold goes out whole as UTF-8.
    send_line(L"PRIVMSG #caf\u00E9 :\u0436 \u4E2D \U0001F600", conn.socket);
    EXPECT_EQ(conn.server.receive_line(), "PRIVMSG #caf\xC3\xA9 :\xD0\xB6 \xE4\xB8\xAD \xF0\x9F\x98\x80");
}

// A host name the code page cannot spell is refused, not sent in a best-fit
// form that may name another host: a fullwidth digit would become "1".
TEST(ConnectToServer, RefusesAHostTheCodePageCannotSpell) {
    LoopbackServer server;
    ServerSocket socket;
    EXPECT_FALSE(connect_to_server(socket, L"127.0.0.\uFF11", server.port()));
    EXPECT_FALSE(socket.connected);
    EXPECT_TRUE(connect_to_server(socket, L"127.0.0.1", server.port()));
    close_connection(socket);
}

TEST(SendLine, TwoThreadsNeverInterleaveLines) {
    Connection conn;
    constexpr int per_thread = 2000;
    auto sender = [&](wchar_t tag) {
        for (int i = 0; i < per_thread; ++i) {
            std::wstring text = format_text(L"PRIVMSG #room :%s %d ", std::wstring(1, tag), i) + std::wstring(300, tag);
            send_line(text.c_str(), conn.socket);
        }
    };
    std::thread a(sender, L'a'), b(sender, L'b');
    std::set<std::string> seen;
    int counts[2] = {0, 0};
    for (int i = 0; i < 2 * per_thread; ++i) {
        std::string line = conn.server.receive_line(10000);
        ASSERT_FALSE(line.empty());
        char tag = line[15];
        ASSERT_TRUE(tag == 'a' || tag == 'b') << line.substr(0, 40);
        ASSERT_EQ(line.substr(line.size() - 300), std::string(300, tag)) << "interleaved line " << i;
        ++counts[tag - 'a'];
    }
    a.join();
    b.join();
    EXPECT_EQ(counts[0], per_thread);
    EXPECT_EQ(counts[1], per_thread);
}

TEST(ConnectToServer, RefusedConnectionLeavesRecordDisconnected) {
    unsigned short unused;
    {
        LoopbackServer probe;
        unused = probe.port();
    }
    ServerSocket socket;
    EXPECT_FALSE(connect_to_server(socket, L"127.0.0.1", unused));
    EXPECT_EQ(socket.connected, 0);
    EXPECT_FALSE(connect_to_server(socket, L"no-such-host.invalid", 6667));
    EXPECT_EQ(socket.connected, 0);
    std::wstring long_name(63, L'a');  // 64 bytes with its terminator
    EXPECT_FALSE(connect_to_server(socket, long_name.c_str(), 6667));
}

TEST(ConnectToServer, ResolvesLocalhostToIpv4) {
    LoopbackServer server;
    ServerSocket socket;
    ASSERT_TRUE(connect_to_server(socket, L"localhost", server.port()));
    EXPECT_TRUE(server.accept_client());
    EXPECT_EQ(socket.connected, 1);
    close_connection(socket);
    EXPECT_EQ(socket.connected, 0);
    EXPECT_TRUE(server.wait_closed());
}

TEST(CommandFormats, LongLinesAreRefusedNotCut) {
    std::wstring nick_1018(1018, L'n');  // "NICK " + 1018 = 1023 characters + zero = 1024
    EXPECT_EQ(format_command(irc::nick, nick_1018).size(), 1023u);
    EXPECT_TRUE(format_command(irc::nick, nick_1018 + L"n").empty());
    std::wstring long_nick(100, L'u');
    EXPECT_TRUE(format_command(irc::whois, long_nick).empty());
    EXPECT_EQ(format_command(irc::whois, std::wstring(93, L'u')).size(), 99u);
    EXPECT_EQ(format_command(irc::ban, L"#room", L"bob"), L"MODE #room +b bob!*@*");
    EXPECT_EQ(format_command(irc::user, L"z-zjoe", L"z-zjoe", L"z-zjoe", L"z-zjoe"), L"USER z-zjoe z-zjoe z-zjoe :z-zjoe");
    EXPECT_EQ(format_command(irc::privmsg_tagged, L"bob", L"[ZOVMSG01]", L"AB"), L"PRIVMSG bob :[ZOVMSG01]AB");
}

TEST(CommandFormats, RefusedLineSendsNothing) {
    Connection conn;
    EXPECT_FALSE(send_command(conn.socket, irc::kick, L"#room", std::wstring(600, L'x')));
    EXPECT_TRUE(send_command(conn.socket, irc::kick, L"#room", L"bob"));
    EXPECT_EQ(conn.server.receive_line(), "KICK #room bob");
}

// The server drops us while the receive thread still holds the socket: a
// command sent later (Close tab, Kick, Get IP) must go nowhere, in particular
// not into another connection that the system gave the old handle value.
TEST(CloseConnection, ClosedConnectionSendsNothingAndItsHandleOutlivesNoHolder) {
    Connection conn;
    std::shared_ptr<OpenSocket> reader = hold_connection(conn.socket);
    ASSERT_TRUE(reader);
    const SOCKET old_handle = reader->handle;
    close_connection(conn.socket);
    EXPECT_FALSE(hold_connection(conn.socket));
    EXPECT_EQ(send_line(L"PART #gone", conn.socket), SOCKET_ERROR);
    int type = 0, size = sizeof type;
    EXPECT_EQ(getsockopt(old_handle, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &size), 0)
        << "closed under its reader";
    std::wstring line;
    EXPECT_EQ(receive_line(conn.socket, line), 1);  // the reader's read ends
    EXPECT_TRUE(conn.server.wait_closed());
    reader.reset();

    // The last holder let go: the handle is closed now, so the system may give
    // its value to another connection, which no later send can reach.
    EXPECT_EQ(getsockopt(old_handle, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &size), SOCKET_ERROR)
        << "the handle outlived its last holder";
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(send_line(L"PART #gone", conn.socket), SOCKET_ERROR);
    EXPECT_EQ(conn.server.receive_all(100), "");  // nothing arrived before the close
}

}  // namespace
