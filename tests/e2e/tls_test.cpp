// Quillmere over TLS to a real ngircd with a self-signed certificate: the
// trust box, the stored fingerprint, a channel conversation with a plain
// client on the same server, and a changed certificate.
#include <gtest/gtest.h>

#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "connection/reconnect.h"
#include "connection/tls_texts.h"
#include "e2e_support.h"
#include "support/ngircd_instance.h"
#include "support/raw_irc_client.h"

namespace {
using namespace net_test;

constexpr const wchar_t* tls_nickname = L"Quilltls1";

// A raw client that tries to register with `nickname`: true when the server
// says the nickname is taken. Blocking, without pumping: it runs inside a box.
bool nickname_taken(int port, const wchar_t* nickname) {
    RawIrcClient observer;
    if (!observer.connect(static_cast<unsigned short>(port))) return false;
    observer.send_line("NICK " + narrow_text(nickname, CP_ACP));
    observer.send_line("USER observer 0 * :Observer");
    bool taken = false, welcomed = false;
    const DWORD deadline = GetTickCount() + 10000;
    while (!taken && !welcomed && static_cast<int>(deadline - GetTickCount()) > 0) {
        if (!observer.read_line(100)) continue;
        const std::string& line = observer.lines().back();
        taken = line.find(" 433 ") != std::string::npos;
        welcomed = line.find(" 001 ") != std::string::npos;
    }
    observer.send_line("QUIT");
    return taken;
}

class TlsEndToEnd : public testing::Test {
protected:
    struct Box {
        std::wstring text, caption;
        UINT flags;
    };
    ChatClient& client = test_client();
    ngircd_test::ServerInstance server;
    ngircd_test::ServerOptions options;
    std::wstring ini;
    // Boxes appear on this (the user-interface) thread only.
    std::vector<Box> boxes;
    std::function<int()> answer = [] { return IDYES; };

    void SetUp() override {
        stop_receive_thread(client);
        ini = use_fresh_folder(client, L"tls") + L"Settings\\Settings.ini";
        client.check_compatible_app = true;
        client.reply_away_message = false;
        client.enable_sounds_app = false;
        client.save_log_file = false;
        client.connection.public_ip = L"192.0.2.1";  // no lookup on the network
        set_message_box_hook([this](HWND, const wchar_t* text, const wchar_t* caption, UINT flags) {
            boxes.push_back({text, caption, flags});
            return answer();
        });
    }
    void TearDown() override {
        refuse_reconnect(client);
        client.auto_reconnect = false;
        set_reconnect_waits(0, 0);
        stop_receive_thread(client);
        pump_messages();
        set_message_box_hook(nullptr);
    }
    void start_server(const char* certificate) {
        options.certificate = certificate;
        options.tls_port = options.tls_port < 0 ? 0 : options.tls_port;
        std::string error;
        ASSERT_TRUE(server.start(options, error)) << error;
        options.port = server.port();
        options.tls_port = server.tls_port();
    }
    bool start_connection(const wchar_t* host = L"127.0.0.1") {
        ConnectRequest request{host, std::to_wstring(server.tls_port()), tls_nickname, L"quiltls", true};
        return connect_and_start(client, request);
    }
    bool registered() {
        return wait_until([&] {
            return client.server_socket.connected && client.server_socket.registered == client.server_socket.opened;
        }, 20000);
    }
    std::wstring stored(const wchar_t* section = L"trusted_certificates", std::wstring key = L"") {
        wchar_t value[256] = {};
        if (key.empty()) key = L"127.0.0.1:" + std::to_wstring(server.tls_port());
        GetPrivateProfileStringW(section, key.c_str(), L"", value, 256, ini.c_str());
        return value;
    }
    static std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }
    std::string server_tab() { return narrow_text(chat_text(client, 0).c_str(), CP_ACP); }
    void talk_in_a_channel();
};

// A plain client and Quillmere in one channel, each reading the other.
void TlsEndToEnd::talk_in_a_channel() {
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
    EXPECT_TRUE(wait_until([&] {
        return contains(chat_text(client, find_chat(client, L"#secure")), L"sent in clear, read through TLS");
    }, 15000));
    send_line(L"PRIVMSG #secure :sealed by Quillmere", client.server_socket);
    EXPECT_NE(peer.wait_for("PRIVMSG #secure :sealed by Quillmere"), "");
}

TEST_F(TlsEndToEnd, TrustIsAskedOnceRememberedAndAskedAgainWhenTheCertificateChanges) {
    start_server("a");
    const std::wstring first = wide(server.fingerprint());
    ASSERT_FALSE(first.empty());

    // First connection: the box, Yes, the fingerprint stored, registered.
    ASSERT_TRUE(start_connection());
    ASSERT_TRUE(registered()) << server_tab();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Untrusted certificate");
    EXPECT_EQ(boxes[0].flags & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(boxes[0].flags & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2));
    EXPECT_TRUE(contains(boxes[0].text, L"127.0.0.1"));
    EXPECT_TRUE(contains(boxes[0].text, first)) << narrow_text(boxes[0].text.c_str(), CP_ACP);
    EXPECT_FALSE(contains(boxes[0].text, L"changed"));
    EXPECT_EQ(stored(), first);
    // The last connection is stored once registration is finished on the window's thread.
    EXPECT_TRUE(wait_until([&] { return stored(L"servers", L"server_tls_default") == L"true"; }));
    EXPECT_NE(server_tab().find("Encrypted connection (TLS 1."), std::string::npos) << server_tab();
    talk_in_a_channel();

    // A second start trusts the stored fingerprint without asking.
    stop_receive_thread(client);
    ASSERT_TRUE(start_connection());
    ASSERT_TRUE(registered());
    EXPECT_EQ(boxes.size(), 1u);
    // The same certificate under another name is another server's: asked anew.
    stop_receive_thread(client);
    answer = [] { return IDNO; };
    ASSERT_TRUE(start_connection(L"localhost"));
    ASSERT_TRUE(wait_until([&] { return boxes.size() == 2 && client.server_socket.connected == 0; }, 20000));
    EXPECT_FALSE(contains(boxes[1].text, L"changed"));

    // Another certificate on the same ports: asked again, saying it changed.
    // The server never has our nickname while the box is open; Disconnect
    // then ends the wait at once, and No stores nothing.
    stop_receive_thread(client);
    server.stop();
    start_server("b");
    const std::wstring second = wide(server.fingerprint());
    ASSERT_NE(second, first);
    bool taken = true, ended = false;
    answer = [&] {
        taken = nickname_taken(server.port(), tls_nickname);
        ended = stop_receive_thread(client);
        return IDNO;
    };
    ASSERT_TRUE(start_connection());
    ASSERT_TRUE(wait_until([&] { return boxes.size() == 3 && client.server_socket.connected == 0; }, 20000));
    EXPECT_TRUE(contains(boxes[2].text, L"changed"));
    EXPECT_TRUE(contains(boxes[2].text, second));
    EXPECT_FALSE(taken) << "the server had our NICK before the certificate was trusted";
    EXPECT_TRUE(ended) << "the wait for the answer outlived the connection";
    EXPECT_EQ(stored(), first);

    // No: the connection is closed and the server never saw our nickname.
    taken = true;
    answer = [&] {
        taken = nickname_taken(server.port(), tls_nickname);
        return IDNO;
    };
    ASSERT_TRUE(start_connection());
    ASSERT_TRUE(wait_until([&] { return boxes.size() == 4 && client.server_socket.connected == 0; }, 20000));
    EXPECT_NE(server_tab().find(narrow_text(tls_text::not_trusted, CP_ACP)), std::string::npos) << server_tab();
    EXPECT_FALSE(taken) << "the server had our NICK before the certificate was trusted";
    EXPECT_EQ(stored(), first);
    EXPECT_NE(client.server_socket.registered, client.server_socket.opened);
}

// Reconnecting goes through TLS and the stored fingerprint as the first
// connection did; a changed certificate stops it without a box, which would
// meet whatever key the user was pressing.
TEST_F(TlsEndToEnd, ReconnectingKeepsTheTrustAndStopsAtAChangedCertificate) {
    client.auto_reconnect = true;
    set_reconnect_waits(500, 4000);
    start_server("a");
    ASSERT_TRUE(start_connection());
    ASSERT_TRUE(registered()) << server_tab();
    ASSERT_EQ(boxes.size(), 1u);

    unsigned opened = client.server_socket.opened;
    server.stop();
    start_server("a");
    EXPECT_TRUE(wait_until([&] { return client.server_socket.opened > opened && registered(); }, 30000))
        << server_tab();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_NE(server_tab().find("Encrypted connection (TLS 1."), std::string::npos) << server_tab();

    opened = client.server_socket.opened;
    server.stop();
    start_server("b");
    ASSERT_TRUE(wait_until([&] { return contains(chat_text(client, 0), tls_text::reconnect_stopped); }, 30000))
        << server_tab();
    wait_until([] { return false; }, 2500);  // well beyond the first waits
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(client.server_socket.opened, opened + 1);
    EXPECT_FALSE(reconnect_waiting());
}

}  // namespace
