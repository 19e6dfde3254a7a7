// Quillmere over TLS to a real ngircd with a self-signed certificate: the
// trust box, the stored fingerprint, a changed certificate, and a channel
// conversation with a plain client on the same server.
#include <gtest/gtest.h>

#include <mutex>

#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "connection/tls_texts.h"
#include "e2e_support.h"
#include "support/ngircd_instance.h"

namespace {
using namespace net_test;

constexpr const wchar_t* tls_nickname = L"Quilltls1";

// Answers the boxes as the test says and keeps what they said.
class TrustBoxes {
public:
    struct Box {
        std::wstring text, caption;
        UINT flags;
    };
    // What the next boxes answer; `while_open` runs inside the box first.
    std::function<int()> answer = [] { return IDYES; };
    TrustBoxes() {
        set_message_box_hook([this](HWND, const wchar_t* text, const wchar_t* caption, UINT flags) {
            {
                std::lock_guard<std::mutex> guard(lock_);
                boxes_.push_back({text, caption, flags});
            }
            return answer();
        });
    }
    ~TrustBoxes() { set_message_box_hook(nullptr); }
    std::vector<Box> boxes() {
        std::lock_guard<std::mutex> guard(lock_);
        return boxes_;
    }

private:
    std::mutex lock_;
    std::vector<Box> boxes_;
};

// A raw client that tries to register with `nickname`: true when the server
// says the nickname is taken. Blocking, without pumping: it runs inside a box.
bool nickname_taken(int port, const wchar_t* nickname) {
    SOCKET sock = e2e::connect_loopback(static_cast<unsigned short>(port));
    if (sock == INVALID_SOCKET) return false;
    const std::string nick = narrow_text(nickname, CP_ACP);
    const std::string hello = "NICK " + nick + "\r\nUSER observer 0 * :Observer\r\n";
    send(sock, hello.data(), static_cast<int>(hello.size()), 0);
    std::string replies;
    const DWORD deadline = GetTickCount() + 10000;
    while (replies.find(" 433 ") == std::string::npos && replies.find(" 001 ") == std::string::npos &&
           static_cast<int>(deadline - GetTickCount()) > 0) {
        if (!e2e::readable(sock, 100)) continue;
        char chunk[2048];
        const int n = recv(sock, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        replies.append(chunk, n);
    }
    const std::string quit = "QUIT\r\n";
    send(sock, quit.data(), static_cast<int>(quit.size()), 0);
    closesocket(sock);
    return replies.find(" 433 ") != std::string::npos;
}

class TlsEndToEnd : public testing::Test {
protected:
    ChatClient& client = test_client();
    ngircd_test::ServerInstance server;
    ngircd_test::ServerOptions options;
    std::wstring ini;
    TrustBoxes boxes;

    void SetUp() override {
        stop_receive_thread(client);
        ini = use_fresh_folder(client, L"tls") + L"Settings\\Settings.ini";
        client.check_compatible_app = true;
        client.reply_away_message = false;
        client.enable_sounds_app = false;
        client.save_log_file = false;
        client.connection.public_ip = L"192.0.2.1";  // no lookup on the network
        options.tls_port = 0;
    }
    void TearDown() override {
        stop_receive_thread(client);
        pump_messages();
    }
    void start_server(const char* certificate) {
        options.certificate = certificate;
        std::string error;
        ASSERT_TRUE(server.start(options, error)) << error;
        options.port = server.port();
        options.tls_port = server.tls_port();
    }
    bool start_connection() {
        ConnectRequest request{L"127.0.0.1", std::to_wstring(server.tls_port()), tls_nickname, L"quiltls", true};
        return connect_and_start(client, request);
    }
    bool registered() {
        return wait_until(
            [&] {
                return client.server_socket.connected && client.server_socket.registered == client.server_socket.opened;
            },
            20000);
    }
    std::wstring stored_fingerprint() {
        wchar_t value[256] = {};
        GetPrivateProfileStringW(L"servers", L"server_fingerprint_default", L"", value, 256, ini.c_str());
        return value;
    }
    static std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }
    std::wstring server_tab() { return chat_text(client, 0); }
};

TEST_F(TlsEndToEnd, TrustIsAskedOnceRememberedAndAskedAgainWhenTheCertificateChanges) {
    start_server("a");
    const std::wstring first = wide(server.fingerprint());
    ASSERT_FALSE(first.empty());

    // First connection: the box, Yes, the fingerprint stored, registered.
    ASSERT_TRUE(start_connection());
    ASSERT_TRUE(registered()) << narrow_text(server_tab().c_str(), CP_ACP);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    const TrustBoxes::Box box = boxes.boxes()[0];
    EXPECT_EQ(box.caption, L"Untrusted certificate");
    EXPECT_EQ(box.flags & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_TRUE(contains(box.text, L"127.0.0.1")) << narrow_text(box.text.c_str(), CP_ACP);
    EXPECT_TRUE(contains(box.text, first));
    EXPECT_FALSE(contains(box.text, L"changed"));
    EXPECT_EQ(stored_fingerprint(), first);
    EXPECT_TRUE(contains(server_tab(), L"Encrypted connection (TLS 1.")) << narrow_text(server_tab().c_str(), CP_ACP);

    // A second start trusts the stored fingerprint without asking.
    stop_receive_thread(client);
    ASSERT_TRUE(start_connection());
    ASSERT_TRUE(registered());
    EXPECT_EQ(boxes.boxes().size(), 1u);

    // Another certificate on the same ports: asked again, saying it changed.
    // Disconnect while the box is open ends the wait at once; No afterwards
    // stores nothing.
    stop_receive_thread(client);
    server.stop();
    start_server("b");
    const std::wstring second = wide(server.fingerprint());
    ASSERT_NE(second, first);
    bool taken = true;
    DWORD stop_ms = 0;
    boxes.answer = [&] {
        taken = nickname_taken(server.port(), tls_nickname);
        const DWORD before = GetTickCount();
        stop_receive_thread(client);
        stop_ms = GetTickCount() - before;
        return IDNO;
    };
    ASSERT_TRUE(start_connection());
    ASSERT_TRUE(wait_until([&] { return boxes.boxes().size() == 2; }, 20000));
    ASSERT_TRUE(wait_until([&] { return client.server_socket.connected == 0; }));
    EXPECT_TRUE(contains(boxes.boxes()[1].text, L"changed"));
    EXPECT_TRUE(contains(boxes.boxes()[1].text, second));
    EXPECT_FALSE(taken) << "the server had our NICK before the certificate was trusted";
    EXPECT_LT(stop_ms, 2000u);
    EXPECT_EQ(stored_fingerprint(), first);

    // No: the connection is closed and the server never saw our nickname.
    taken = true;
    boxes.answer = [&] {
        taken = nickname_taken(server.port(), tls_nickname);
        return IDNO;
    };
    ASSERT_TRUE(start_connection());
    ASSERT_TRUE(wait_until([&] { return boxes.boxes().size() == 3; }, 20000));
    ASSERT_TRUE(wait_until([&] { return client.server_socket.connected == 0; }));
    EXPECT_TRUE(contains(server_tab(), tls_text::not_trusted));
    EXPECT_FALSE(taken) << "the server had our NICK before the certificate was trusted";
    EXPECT_EQ(stored_fingerprint(), first);
    EXPECT_NE(client.server_socket.registered, client.server_socket.opened);
}

TEST_F(TlsEndToEnd, AChannelConversationGoesBothWays) {
    start_server("a");
    ASSERT_TRUE(start_connection());
    ASSERT_TRUE(registered()) << narrow_text(server_tab().c_str(), CP_ACP);

    e2e::PeerClient peer;
    ASSERT_TRUE(peer.connect(static_cast<unsigned short>(server.port())));
    peer.send("NICK tlspeer");
    peer.send("USER tlspeer 0 * :The peer");
    ASSERT_NE(peer.wait_for(" 001 "), "");
    send_line(L"JOIN #secure", client.server_socket);
    ASSERT_TRUE(wait_until([&] { return find_chat(client, L"#secure") > 0; }, 15000));
    peer.send("JOIN #secure");
    ASSERT_NE(peer.wait_for(" 366 "), "");

    peer.send("PRIVMSG #secure :sent in clear, read through TLS");
    EXPECT_TRUE(wait_until(
        [&] { return contains(chat_text(client, find_chat(client, L"#secure")), L"sent in clear, read through TLS"); },
        15000));
    send_line(L"PRIVMSG #secure :sealed by Quillmere", client.server_socket);
    EXPECT_NE(peer.wait_for("PRIVMSG #secure :sealed by Quillmere"), "");
}

}  // namespace
