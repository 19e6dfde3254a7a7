// Quillmere logging in to a network account against real servers: InspIRCd
// with Atheme services (PLAIN) and the tests' own SCRAM-SHA-256 server, both
// started by CTest (tools/services_fixture.sh), with the capabilities they offer.
#include <gtest/gtest.h>

#include "connection/receive_loop.h"
#include "e2e_support.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "support/modal_dialog.h"
#include "support/stored_certificate.h"

namespace {
using namespace net_test;

// A file in the fixture's folder, seen from Wine; empty when it did not run.
std::wstring services_file(const wchar_t* name) {
    wchar_t folder[1024];
    DWORD length = GetEnvironmentVariableW(L"QUILLMERE_SERVICES_DIR", folder, 1024);
    if (length == 0 || length >= 1024) return {};
    std::wstring path = std::wstring(L"Z:") + folder + L"/" + name;
    for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
    return path;
}

// A port (or fingerprint) the fixture wrote into its folder; empty when it did not run.
std::wstring services_port(const wchar_t* name) {
    const std::wstring path = services_file(name);
    if (path.empty()) return {};
    const std::string text = read_file_bytes(path);
    const std::string port = text.substr(0, text.find_first_of("\r\n"));
    return std::wstring(port.begin(), port.end());
}

class AccountLogin : public testing::Test {
protected:
    ChatClient* client = nullptr;
    std::wstring ini;

    void SetUp() override {
        if (services_port(L"port").empty()) GTEST_SKIP() << "no services: run through CTest (tools/test.sh -R e2e)";
        client = &test_client();
        stop_receive_thread(*client);
        ini = use_fresh_folder(*client, L"account") + L"Settings\\Settings.ini";
        client->check_compatible_app = false;
        client->enable_sounds_app = false;
        client->auto_reconnect = true;
    }
    void TearDown() override {
        if (client) stop_receive_thread(*client);
        pump_messages();
    }
    void store(int number, const std::wstring& port, const std::wstring& nickname,
               std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> keys) {
        const std::wstring n = std::to_wstring(number);
        for (const auto& key : {std::make_pair(L"server_name_", L"127.0.0.1"), std::make_pair(L"server_port_", port.c_str()),
                                std::make_pair(L"server_nickname_", nickname.c_str()),
                                std::make_pair(L"server_username_", L"acct")})
            write(key.first + n, key.second);
        for (const auto& key : keys) write(std::wstring(key.first) + n, key.second);
    }
    void write(const std::wstring& key, const std::wstring& value) {
        WritePrivateProfileStringW(L"servers", key.c_str(), value.c_str(), ini.c_str());
    }
    bool protected_value(const wchar_t* key) {
        wchar_t value[1024] = {};
        GetPrivateProfileStringW(L"servers", key, L"", value, 1024, ini.c_str());
        return std::wstring(value).rfind(L"protected:", 0) == 0;
    }
    void connect_to_row(int row) {
        EXPECT_TRUE(run_modal([&] { SendMessageW(client->main_window, WM_COMMAND, IDM_CONNECT, 0); },
                              [row](HWND dialog) {
                                  SendDlgItemMessageW(dialog, IDC_CONNECT_SERVER_LIST, CB_SETCURSEL, row, 0);
                                  press(dialog, IDC_CONNECT_SERVER_LIST, CBN_SELCHANGE);
                                  press(dialog, IDOK);
                              }));
    }
    bool server_tab_shows(const std::wstring& text) {
        return wait_until([&] { return contains(chat_text(*client, 0), text); }, 20000);
    }
    std::string server_tab() { return narrow_text(chat_text(*client, 0).c_str(), CP_ACP); }
};

TEST_F(AccountLogin, PlainLoginWithServicesAndTheCapabilitiesInUse) {
    store(1, services_port(L"port"), L"Quillacct",
          {{L"server_sasl_method_", L"plain"}, {L"server_sasl_account_", L"alice"},
           {L"server_sasl_password_", L"s3cretpw"}, {L"server_sasl_unencrypted_", L"true"}});
    connect_to_row(0);
    ASSERT_TRUE(server_tab_shows(L"Logged in to account alice.")) << server_tab();
    ASSERT_TRUE(server_tab_shows(L"Welcome")) << server_tab();
    // The password written by hand is now kept protected.
    EXPECT_TRUE(protected_value(L"server_sasl_password_1"));
    const ServerFeatures features = client->connection.features.get();
    for (const wchar_t* used : {L"multi-prefix", L"server-time", L"message-tags", L"account-notify", L"batch"})
        EXPECT_TRUE(features.has(used)) << std::wstring(used).size();
    EXPECT_FALSE(features.has(L"echo-message"));
    EXPECT_FALSE(contains(chat_text(*client, 0), L"@time="));

    // A wrong password ends the connection, and no reconnect follows.
    write(L"server_sasl_password_1", L"not-it");
    connect_to_row(0);
    ASSERT_TRUE(server_tab_shows(L"Account login failed: SASL authentication failed")) << server_tab();
    EXPECT_TRUE(server_tab_shows(L"The connection is ended")) << server_tab();
    EXPECT_TRUE(wait_until([&] { return !receive_thread_running(); }, 20000));
    EXPECT_FALSE(contains(chat_text(*client, 0), L"Welcome"));
}

// Over TLS to a server that asks for client certificates: the one in the
// user's store whose fingerprint the services have on the account logs in.
TEST_F(AccountLogin, CertificateLoginOverTlsWithServices) {
    StoredCertificate mine;
    ASSERT_TRUE(mine.add(read_file_bytes(services_file(L"client.der")), read_file_bytes(services_file(L"client.blob"))));
    const std::wstring fingerprint = services_port(L"client-fingerprint");
    ASSERT_EQ(fingerprint.size(), 95u);
    store(1, services_port(L"tls_port"), L"Quillcert",
          {{L"server_tls_", L"true"}, {L"server_fingerprint_", services_port(L"server-fingerprint").c_str()},
           {L"server_sasl_method_", L"external"}, {L"server_sasl_certificate_", fingerprint.c_str()}});
    connect_to_row(0);
    ASSERT_TRUE(server_tab_shows(L"Logged in to account alice.")) << server_tab();
    ASSERT_TRUE(server_tab_shows(L"Welcome")) << server_tab();
}

TEST_F(AccountLogin, ScramLoginWithTheTestsOwnServer) {
    store(1, services_port(L"scram_port"), L"Quillscram",
          {{L"server_sasl_method_", L"scram-sha-256"}, {L"server_sasl_account_", L"alice"},
           {L"server_sasl_password_", L"pencil"}, {L"server_sasl_unencrypted_", L"true"}});
    connect_to_row(0);
    ASSERT_TRUE(server_tab_shows(L"Logged in to account alice.")) << server_tab();
    ASSERT_TRUE(server_tab_shows(L"Welcome to the SCRAM test server")) << server_tab();
}

TEST_F(AccountLogin, ABouncerPlaysBackWithTheServersTimesOnce) {
    e2e::PeerClient peer;
    ASSERT_TRUE(peer.connect(static_cast<unsigned short>(_wtoi(services_port(L"port").c_str()))));
    peer.send("NICK talker");
    peer.send("USER t 0 * :talker");
    ASSERT_NE(peer.wait_for(" 001 "), "");
    peer.send("JOIN #bounced");
    ASSERT_NE(peer.wait_for(" 366 "), "");
    peer.send("PRIVMSG #bounced :said while away");
    store(1, services_port(L"znc_port"), L"Quillbnc", {{L"server_password_", L"alice:zncpass"}});
    connect_to_row(0);
    ASSERT_TRUE(wait_until([&] { return find_chat(*client, L"#bounced") > 0; }, 20000)) << server_tab();
    const int channel = find_chat(*client, L"#bounced");
    ASSERT_TRUE(wait_until([&] { return contains(chat_text(*client, channel), L"said while away"); }, 20000));
    // With server-time the bouncer sends the line as it was said, without
    // putting its own time stamp in front of the text.
    EXPECT_TRUE(contains(chat_text(*client, channel), L"[talker] - said while away"))
        << narrow_text(chat_text(*client, channel).c_str(), CP_ACP);
    EXPECT_TRUE(protected_value(L"server_password_1"));
    EXPECT_TRUE(contains(chat_text(*client, 0), L"bouncee"));

    stop_receive_thread(*client);
    clear_chat(*client, channel);
    connect_to_row(0);
    ASSERT_TRUE(server_tab_shows(L"Welcome")) << server_tab();
    peer.send("PRIVMSG #bounced :said after the return");
    const int again = find_chat(*client, L"#bounced");
    ASSERT_TRUE(wait_until([&] { return contains(chat_text(*client, again), L"said after the return"); }, 20000));
    // The bouncer keeps its buffer (AutoClearChanBuffer) and plays it again: what was shown is left out.
    EXPECT_FALSE(contains(chat_text(*client, again), L"said while away"));
}

}  // namespace
