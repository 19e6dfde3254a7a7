// Quillmere against a real IRC server (ngircd, started by CTest around this
// test) and a second client written here: connecting through the connect
// dialog, registration, channel and private traffic, the replies the program
// asks for, IP sharing, an encrypted message, and a server that vanishes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "chat/sealed_state.h"
#include "chat/user_list.h"
#include "crypto/message_crypto.h"
#include "dialogs/join_all_channels_dialog.h"
#include "e2e_support.h"
#include "quillmere_version.h"
#include "openssl_cli.h"
#include "net/irc_commands.h"
#include "connection/receive_loop.h"
#include "connection/server_log.h"
#include "settings/directory_cache.h"
#include "support/line_clock.h"
#include "support/modal_dialog.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "transfer/public_ip.h"

namespace {
using namespace net_test;

constexpr const wchar_t* own_nickname = L"Quillfan1";
constexpr const char* peer_nickname = "e2epeer";

class EndToEnd : public testing::Test {
protected:
    static ChatClient* client;
    static std::unique_ptr<e2e::Relay> relay;
    static std::unique_ptr<e2e::PeerClient> peer;
    static std::wstring folder;
    static bool ready;

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override { ASSERT_TRUE(ready) << "the session with the server could not be set up"; }

    static int slot_of(const wchar_t* name) { return find_chat(*client, name); }
    static bool has_user(int slot, const std::string& name) {
        if (slot <= 0) return false;
        const std::vector<std::string> users = user_entries(client->chats[slot]);
        return std::find(users.begin(), users.end(), name) != users.end();
    }
    static bool shows(int slot, const std::wstring& text) {
        return wait_until([&] { return slot > 0 && contains(chat_text(*client, slot), text); }, 15000);
    }
    static void quillmere_sends(const std::wstring& line) { send_line(line.c_str(), client->server_socket); }
};

ChatClient* EndToEnd::client = nullptr;
std::unique_ptr<e2e::Relay> EndToEnd::relay;
std::unique_ptr<e2e::PeerClient> EndToEnd::peer;
std::wstring EndToEnd::folder;
bool EndToEnd::ready = false;

void write_setting(const std::wstring& ini, const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    WritePrivateProfileStringW(section, key, value.c_str(), ini.c_str());
}

// Connect from the menu, as the user does: pick stored server 1 in the
// dialog and press Connect.
void connect_through_the_dialog(ChatClient& client) {
    EXPECT_TRUE(run_modal([&] { SendMessageW(client.main_window, WM_COMMAND, IDM_CONNECT, 0); },
                          [](HWND dialog) {
                              SendDlgItemMessageW(dialog, IDC_CONNECT_SERVER_LIST, CB_SETCURSEL, 0, 0);
                              press(dialog, IDC_CONNECT_SERVER_LIST, CBN_SELCHANGE);
                              press(dialog, IDOK);
                          }))
        << "the Connect dialog did not open";
}

void EndToEnd::SetUpTestSuite() {
    const unsigned short server_port = e2e::ngircd_port();
    ASSERT_NE(server_port, 0) << "no ngircd: run through CTest (tools/test.sh -R e2e), which starts it";
    client = &test_client();
    folder = use_fresh_folder(*client, L"e2e");
    relay = std::make_unique<e2e::Relay>();
    ASSERT_TRUE(relay->start(server_port));

    const std::wstring ini = folder + L"Settings\\Settings.ini";
    write_setting(ini, L"servers", L"server_name_1", L"127.0.0.1");
    write_setting(ini, L"servers", L"server_port_1", std::to_wstring(relay->port()));
    write_setting(ini, L"servers", L"server_nickname_1", own_nickname);
    write_setting(ini, L"servers", L"server_username_1", L"quilly");
    write_setting(ini, L"channels", L"channel_name_1", L"e2e");
    write_setting(ini, L"channels", L"channel_autojoin_1", L"true");
    client->check_compatible_app = true;
    client->allow_open_private_chats = true;
    client->reply_away_message = false;
    client->enable_sounds_app = false;
    client->save_log_file = true;
    client->connection.public_ip.clear();
    sealed_state(*client).offer_sealed_chats = false;  // these peers know only the compatible format

    OneShotHttpServer echo("HTTP/1.0 200 OK\r\n\r\n203.0.113.7");
    set_ip_echo_url(echo.url());
    connect_through_the_dialog(*client);
    ASSERT_TRUE(wait_until([] { return slot_of(L"#e2e") > 0; }, 20000))
        << "connected " << client->server_socket.connected.load() << ", server tab:\n"
        << narrow_text(chat_text(*client, 0).c_str(), CP_ACP);
    // The address is looked up on a thread of its own after registration.
    ASSERT_TRUE(wait_until([] { return !client->connection.public_ip.empty(); }, 20000));
    set_ip_echo_url(L"");

    peer = std::make_unique<e2e::PeerClient>();
    ASSERT_TRUE(peer->connect(server_port));
    peer->send(std::string("NICK ") + peer_nickname);
    peer->send("USER z-zpeer 0 * :The peer");
    ASSERT_NE(peer->wait_for(" 376 "), "");
    peer->send("JOIN #e2e");
    ASSERT_NE(peer->wait_for(" 366 "), "");
    ready = true;
}

void EndToEnd::TearDownTestSuite() {
    if (client) stop_receive_thread(*client);
    peer.reset();
    relay.reset();
    pump_messages();
}

TEST_F(EndToEnd, RegistersWithTheCompatibleMark) {
    peer->send("WHOIS Quillfan1");
    EXPECT_NE(peer->wait_for(" 311 e2epeer Quillfan1 ~z-zquilly "), "");
    EXPECT_EQ(client->connection.nickname, own_nickname);
    EXPECT_EQ(client->connection.public_ip, L"203.0.113.7");
    EXPECT_EQ(window_text(client->my_ip_edit), L"203.0.113.7");
    EXPECT_EQ(window_text(client->nickname_edit), L"Quillfan1 (quilly)");
    EXPECT_TRUE(GetMenuState(client->menu, IDM_CONNECT, MF_BYCOMMAND) & MF_GRAYED);
    wchar_t saved[64] = {};
    GetPrivateProfileStringW(L"servers", L"server_nickname_default", L"", saved, 64,
                             (folder + L"Settings\\Settings.ini").c_str());
    EXPECT_STREQ(saved, own_nickname);
    std::string log;
    EXPECT_TRUE(wait_until([&] {
        return (log = read_file_bytes(server_log_path(*client))).find(" 001 Quillfan1 :") != std::string::npos;
    }));
    EXPECT_EQ(log.find("NICK Quillfan1"), std::string::npos);  // sent lines are not logged
}

TEST_F(EndToEnd, ChannelMessagesModesAndTopic) {
    const int room = slot_of(L"#e2e");
    EXPECT_TRUE(wait_until([&] { return has_user(room, peer_nickname); }));
    EXPECT_TRUE(has_user(room, "@Quillfan1"));  // from the NAMES reply on joining

    LineClock clock;
    client->show_times = true;
    const long long before = utc_now_ms();
    peer->send("PRIVMSG #e2e :hello  channel");
    EXPECT_TRUE(shows(room, L"hello  channel"));
    const std::wstring line = L"[e2epeer] - hello  channel", text = chat_text(*client, room);  // the minute may turn
    EXPECT_TRUE(contains(text, LineClock::stamp(before) + line) || contains(text, LineClock::stamp(utc_now_ms()) + line));
    client->show_times = false;
    quillmere_sends(format_command(irc::privmsg, L"#e2e", L"hi from Quillmere"));
    EXPECT_NE(peer->wait_for(":Quillfan1!~z-zquilly@127.0.0.1 PRIVMSG #e2e :hi from Quillmere"), "");

    quillmere_sends(format_command(irc::mode_flag, L"#e2e", L"+m"));
    EXPECT_TRUE(wait_until([&] { return client->chats[room].moderated; }));
    quillmere_sends(format_command(irc::topic, L"#e2e", L"fresh topic"));
    EXPECT_TRUE(wait_until([&] { return std::wstring(client->chats[room].topic) == L"fresh topic"; }));
    EXPECT_NE(peer->wait_for("TOPIC #e2e :fresh topic"), "");
    quillmere_sends(format_command(irc::mode_flag, L"#e2e", L"-m"));
    EXPECT_TRUE(wait_until([&] { return !client->chats[room].moderated; }));
}

TEST_F(EndToEnd, PrivateChatUserhostWhoisAndIpSharing) {
    peer->send("PRIVMSG Quillfan1 :hello private");
    ASSERT_TRUE(wait_until([] { return slot_of(L"e2epeer") > 0; }));
    const int chat = slot_of(L"e2epeer");
    EXPECT_TRUE(shows(chat, L"hello private"));
    // Opening the chat asked USERHOST and WHOIS.
    EXPECT_TRUE(wait_until([&] { return std::wstring(client->chats[chat].user_host) == L"z-zpeer@127.0.0.1"; }));
    EXPECT_TRUE(client->chats[chat].peer_ready);
    EXPECT_TRUE(wait_until([&] {
        std::lock_guard<std::mutex> guard(client->chats[chat].lock);
        for (const std::string& line : client->chats[chat].whois_lines)
            if (line.find("~z-zpeer 127.0.0.1 * :The peer") != std::string::npos) return true;
        return false;
    }));

    quillmere_sends(format_command(irc::privmsg, L"e2epeer", L"hi back"));
    EXPECT_NE(peer->wait_for("PRIVMSG e2epeer :hi back"), "");

    client->chats[chat].share_ip = true;
    peer->send("PRIVMSG Quillfan1 :[ZOVGIP01]");
    EXPECT_NE(peer->wait_for("PRIVMSG e2epeer :[ZOVUIP01]203.0.113.7"), "");
    peer->send("PRIVMSG Quillfan1 :[ZOVUIP01]198.51.100.9");
    EXPECT_TRUE(wait_until([&] { return std::wstring(client->chats[chat].peer_ip) == L"198.51.100.9"; }));
    EXPECT_FALSE(contains(chat_text(*client, chat), L"ZOV"));
}

TEST_F(EndToEnd, EncryptedMessageIsDecrypted) {
    {
        std::lock_guard<std::mutex> guard(client->password_lock);
        copy_text(client->encryption_passwords[2], "shared secret");
    }
    const std::string block = encrypt_message("meet at noon", "shared secret");
    peer->send("PRIVMSG Quillfan1 :[ZOVMSG01]" + block);
    EXPECT_TRUE(shows(slot_of(L"e2epeer"), L"[DECRYPTED] - meet at noon"));
}

// Actions and requests between clients, and a sender's formatting, through a
// real server; the action is typed into the input line.
TEST_F(EndToEnd, ActionsRequestsAndFormattingThroughTheServer) {
    const int room = slot_of(L"#e2e");
    ASSERT_GT(room, 0);
    SendMessageW(client->main_window, WM_COMMAND, MAKEWPARAM(201 + 2 * room, BN_CLICKED), 0);
    SetWindowTextW(client->input_window, L"/me waves");
    SendMessageW(client->input_window, WM_CHAR, L'\r', 1);
    EXPECT_NE(peer->wait_for("PRIVMSG #e2e :\x01" "ACTION waves\x01"), "");

    peer->send("PRIVMSG #e2e :\x01" "ACTION nods\x01");
    EXPECT_TRUE(shows(room, L"* e2epeer nods"));
    peer->send("PRIVMSG Quillfan1 :\x01VERSION\x01");
    EXPECT_NE(peer->wait_for(std::string("NOTICE e2epeer :\x01VERSION Quillmere ") + QUILLMERE_VERSION_TEXT +
                             " (Windows)\x01"),
              "");
    peer->send("PRIVMSG #e2e :\x02" "bold\x02 \x03" "4red\x03 plain");
    EXPECT_TRUE(shows(room, L"[e2epeer] - bold red plain"));
    EXPECT_FALSE(contains(chat_text(*client, room), L"\x01"));
}

// A message longer than a line goes out in parts that the server relays
// whole; encrypted, each part is a block of its own.
TEST_F(EndToEnd, LongMessagesArriveWholeInParts) {
    const int chat = slot_of(L"e2epeer");
    ASSERT_GT(chat, 0);
    SendMessageW(client->main_window, WM_COMMAND, MAKEWPARAM(201 + 2 * chat, BN_CLICKED), 0);
    std::wstring text;
    for (int i = 0; text.size() < 2000; ++i) text += format_text(L"part%d ", i);
    text.resize(2000);
    text.back() = L'x';  // a server trims a space at the end
    const std::string head = ":Quillfan1!~z-zquilly@127.0.0.1 PRIVMSG e2epeer :";
    auto send_and_collect = [&](bool encrypted) {
        SetWindowTextW(client->input_window, text.c_str());
        SendMessageW(client->input_window, WM_CHAR, L'\r', 1);
        std::string joined;
        for (int parts = 0; parts < 40 && joined.size() < text.size(); ++parts) {
            const std::string line = peer->wait_for(head);
            if (line.empty()) break;
            EXPECT_LE(line.size() + 2, 512u);
            std::string body = line.substr(line.find(head) + head.size());
            if (encrypted) {
                EXPECT_EQ(body.compare(0, 10, "[ZOVMSG01]"), 0);
                body = decrypt_message(body.substr(10), "shared secret");
            }
            // Parts end between words; the space there is left out.
            joined += (joined.empty() ? "" : " ") + body;
        }
        return joined;
    };
    EXPECT_EQ(send_and_collect(false), narrow_text(text.c_str(), CP_ACP));
    client->chats[chat].encrypt_messages = true;
    copy_text(client->chats[chat].password, L"shared secret");
    EXPECT_EQ(send_and_collect(true), narrow_text(text.c_str(), CP_ACP));
    client->chats[chat].encrypt_messages = false;
    EXPECT_TRUE(client->server_socket.connected);
}

// Cyrillic, CJK and an emoji through the server both ways, plain and
// encrypted, as UTF-8; the encrypted blocks are made and read by OpenSSL's
// command line. Text the code page holds still goes out in it.
TEST_F(EndToEnd, TextBeyondTheCodePageTravelsAsUtf8BothWays) {
    const std::wstring text = L"\u041f\u0440\u0438\u0432\u0435\u0442 \u4e2d\u6587 \U0001F600";
    const std::string utf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80";
    const std::string from_us = ":Quillfan1!~z-zquilly@127.0.0.1 PRIVMSG ";
    const int room = slot_of(L"#e2e");
    const int chat = slot_of(L"e2epeer");
    ASSERT_GT(room, 0);
    ASSERT_GT(chat, 0);
    auto type_in = [&](int slot, const std::wstring& typed) {
        SendMessageW(client->main_window, WM_COMMAND, MAKEWPARAM(201 + 2 * slot, BN_CLICKED), 0);
        SetWindowTextW(client->input_window, typed.c_str());
        SendMessageW(client->input_window, WM_CHAR, L'\r', 1);
    };

    peer->send("PRIVMSG #e2e :" + utf8);
    EXPECT_TRUE(shows(room, L"[e2epeer] - " + text));
    peer->send("PRIVMSG Quillfan1 :" + utf8 + " private");
    EXPECT_TRUE(shows(chat, L"[e2epeer] - " + text + L" private"));
    type_in(room, text);
    EXPECT_NE(peer->wait_for(from_us + "#e2e :" + utf8), "");
    EXPECT_TRUE(shows(room, L"[Quillfan1] - " + text));
    type_in(room, L"caf\u00e9 \u20ac");
    EXPECT_NE(peer->wait_for(from_us + "#e2e :caf\xE9 \x80"), "");
    quillmere_sends(format_command(irc::topic, L"#e2e", text));
    EXPECT_NE(peer->wait_for("TOPIC #e2e :" + utf8), "");
    EXPECT_TRUE(wait_until([&] { return std::wstring(client->chats[room].topic) == text; }));

    {
        std::lock_guard<std::mutex> guard(client->password_lock);
        copy_text(client->encryption_passwords[9], "Tulip9");
    }
    std::string cipher, error;
    ASSERT_TRUE(openssl_cli::aes_256_cbc(false, "QWERTYuiop123456" + utf8, cipher, error)) << error;
    peer->send("PRIVMSG Quillfan1 :[ZOVMSG01]" + openssl_cli::upper_hex(cipher));
    EXPECT_TRUE(shows(chat, L"[e2epeer] [DECRYPTED] - " + text));

    client->chats[chat].encrypt_messages = true;
    copy_text(client->chats[chat].password, L"Tulip9");
    type_in(chat, text);
    const std::string tagged = from_us + "e2epeer :[ZOVMSG01]";
    const std::string line = peer->wait_for(tagged);
    ASSERT_NE(line, "");
    std::string plain;
    ASSERT_TRUE(openssl_cli::aes_256_cbc(true, openssl_cli::hex_bytes(line.substr(line.find(tagged) + tagged.size())),
                                         plain, error))
        << error;
    ASSERT_GE(plain.size(), 16u);
    EXPECT_EQ(plain.substr(16), utf8);  // after the random prefix
    EXPECT_TRUE(shows(chat, L"[Quillfan1] [ENCRYPTED] - " + text));
    client->chats[chat].encrypt_messages = false;
}

TEST_F(EndToEnd, IsonFindsAFavouriteOnline) {
    copy_text(client->favorite_nicknames[1].nickname, L"e2epeer");
    client->favorite_nicknames[1].online = false;
    quillmere_sends(format_command(irc::ison, L"e2epeer nobody"));
    EXPECT_TRUE(wait_until([&] {
        return client->favorite_nicknames[1].online && IsWindowEnabled(client->nicknames_online_button) &&
               status_text(*client, 1) == L"Some favorite nicknames are now online.";
    }));
}

TEST_F(EndToEnd, NickKickPartAndQuitReachTheUserList) {
    const int room = slot_of(L"#e2e");
    peer->send("NICK e2epeer2");
    EXPECT_TRUE(wait_until([&] { return has_user(room, "e2epeer2") && !has_user(room, peer_nickname); }));
    EXPECT_TRUE(shows(room, L" C--> "));

    quillmere_sends(format_command(irc::kick, L"#e2e", L"e2epeer2"));
    EXPECT_NE(peer->wait_for("KICK #e2e e2epeer2"), "");
    EXPECT_TRUE(wait_until([&] { return !has_user(room, "e2epeer2"); }));
    EXPECT_TRUE(shows(room, L" Kicked  by "));

    peer->send("JOIN #e2e");
    EXPECT_TRUE(wait_until([&] { return has_user(room, "e2epeer2"); }));
    peer->send("PART #e2e :bye");
    EXPECT_TRUE(wait_until([&] { return !has_user(room, "e2epeer2"); }));

    // The server tells of a QUIT only those who share a channel with the user.
    peer->send("NICK e2epeer");
    peer->send("JOIN #e2e");
    EXPECT_TRUE(wait_until([&] { return has_user(room, peer_nickname); }));
    peer->send("QUIT :gone");
    EXPECT_TRUE(shows(slot_of(L"e2epeer"), L" disconnected from the IRC server"));
    EXPECT_TRUE(wait_until([&] { return !has_user(room, peer_nickname); }));
}

// Two raw clients make a shared and a lonely channel; "Update list" in the
// directory dialog lists the shared one, keeps the lonely one out and caches.
TEST_F(EndToEnd, UpdateListFillsTheDirectoryAndItsCache) {
    e2e::PeerClient first, second;
    const unsigned short port = e2e::ngircd_port();
    ASSERT_TRUE(first.connect(port) && second.connect(port));
    first.send("NICK dirone");
    first.send("USER dirone 0 * :Directory one");
    second.send("NICK dirtwo");
    second.send("USER dirtwo 0 * :Directory two");
    ASSERT_NE(first.wait_for(" 376 "), "");
    ASSERT_NE(second.wait_for(" 376 "), "");
    first.send("JOIN #e2edir");
    first.send("TOPIC #e2edir :the shared room");
    first.send("JOIN #e2elonely");
    second.send("JOIN #e2edir");
    ASSERT_NE(second.wait_for(" 366 "), "");
    ASSERT_NE(first.wait_for("#e2elonely"), "");

    std::vector<std::wstring> channels;
    std::wstring topic;
    ASSERT_TRUE(run_modal([] { SendMessageW(client->main_window, WM_COMMAND, IDM_JOIN_ALL_CHANNELS, 0); },
                          [&](HWND dialog) {
        auto& directory = static_cast<JoinAllChannelsDialog&>(*client->join_all_channels_dialog);
        press(dialog, IDC_DIRECTORY_UPDATE);
        EXPECT_TRUE(directory.busy());
        EXPECT_TRUE(wait_until([&] { return !directory.busy(); }, 15000));
        for (size_t row = 0; row < directory.view().size(); ++row) {
            channels.push_back(directory.view().cell(row, column_channel));
            if (channels.back() == L"#e2edir") topic = directory.view().cell(row, column_topic);
        }
    }));
    const auto listed = [&](const wchar_t* name) {
        return std::find(channels.begin(), channels.end(), name) != channels.end();
    };
    EXPECT_TRUE(listed(L"#e2edir"));
    EXPECT_FALSE(listed(L"#e2elonely")) << "one user only";
    EXPECT_EQ(topic, L"the shared room");
    const std::vector<CachedRow> cached =
        read_directory_cache(directory_cache_path(*client, client->connection.host.get()), 5000);
    EXPECT_EQ(cached.size(), channels.size());
}

// Last: the line to the server is cut without a word.
TEST_F(EndToEnd, AServerThatVanishesIsNotResponding) {
    relay->cut();
    EXPECT_TRUE(wait_until([] { return client->server_socket.connected == 0; }));
    EXPECT_TRUE(wait_until([] { return contains(chat_text(*client, 0), L"IRC server not responding"); }));
}

}  // namespace
