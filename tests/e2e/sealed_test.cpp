// Sealed private chats through a real ngircd: a second implementation in
// Python (written from docs/sealed-chats.md) both ways, a relay that tampers
// with sealed lines, a wrong password and a peer that only knows the
// compatible format.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "chat/sealed_state.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "controls/input_line.h"
#include "controls/sealed_send.h"
#include "crypto/message_crypto.h"
#include "crypto/sealed/sealed_texts.h"
#include "mainwindow/control_table.h"
#include "mainwindow/main_window.h"
#include "mainwindow/mention_notice.h"
#include "resources/resource_ids.h"
#include "support/file_bytes.h"
#include "support/linux_shell.h"
#include "support/ngircd_instance.h"
#include "support/raw_irc_client.h"
#include "tamper_relay.h"
#include "transfer/file_receiver.h"
#include "transfer/file_sender.h"
#include "transfer/sealed_file_texts.h"

namespace {
using namespace net_test;

constexpr const wchar_t* own_nick = L"Quillseal";

std::wstring banner(ChatClient& client) {
    wchar_t text[128] = {};
    GetWindowTextW(client.encrypt_banner, text, 128);
    // The test's main window stays hidden: the banner's own state.
    return GetWindowLongW(client.encrypt_banner, GWL_STYLE) & WS_VISIBLE ? text : L"(hidden)";
}

size_t count_of(const std::wstring& text, const std::wstring& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// A peer in this process on a raw connection, with the program's own sealed
// code: enough to drive the relay's tricks line by line.
struct LocalPeer {
    RawIrcClient irc;
    SealedChats chats;
    std::string nick;
    std::vector<std::string> opened;
    size_t next_line = 0;

    bool join(int port, const std::string& name) {
        nick = name;
        if (!irc.connect(static_cast<unsigned short>(port))) return false;
        irc.send_line("NICK " + nick);
        irc.send_line("USER z-zlocal 0 * :local peer");
        return irc.read_until(" 001 ", 15000);
    }
    void say(const std::string& text) { irc.send_line("PRIVMSG Quillseal :" + text); }
    // Reads what came and answers the handshake; the texts of opened messages collect.
    void take() {
        while (irc.read_line(0)) {
        }
        const std::string head = " PRIVMSG " + nick + " :";
        for (; next_line < irc.lines().size(); ++next_line) {
            const std::string& line = irc.lines()[next_line];
            const size_t at = line.find(head);
            if (at == std::string::npos) continue;
            SealedOutcome outcome = chats.receive(nick, "Quillseal", line.substr(at + head.size()), {}, 400, 0);
            for (const std::string& reply : outcome.replies) say(reply);
            if (outcome.message) opened.push_back(outcome.message->body);
        }
    }
};

class SealedEndToEnd : public testing::Test {
protected:
    ChatClient& client = test_client();
    ngircd_test::ServerInstance server;
    std::unique_ptr<e2e::TamperRelay> relay;

    void SetUp() override {
        stop_receive_thread(client);
        use_fresh_folder(client, L"sealed");
        client.allow_open_private_chats = true;
        client.reply_away_message = false;
        client.enable_sounds_app = false;
        client.check_compatible_app = false;
        client.connection.public_ip = L"192.0.2.1";
        {
            std::lock_guard<std::mutex> guard(client.password_lock);
            copy_text(client.encryption_passwords[2], "shared secret");
            copy_text(client.encryption_passwords[5], "other words");
        }
        sealed_state(client).offer_sealed_chats = true;
        std::string error;
        ASSERT_TRUE(server.start({}, error)) << error;
        relay = std::make_unique<e2e::TamperRelay>();
        ASSERT_TRUE(relay->start(static_cast<unsigned short>(server.port())));
        ASSERT_TRUE(connect_and_start(client, {L"127.0.0.1", std::to_wstring(relay->port()), own_nick, L"quilly", false}));
        ASSERT_TRUE(wait_until([&] { return client.server_socket.registered == client.server_socket.opened; }, 20000));
    }
    void TearDown() override {
        stop_receive_thread(client);
        pump_messages();
        relay.reset();
        sealed_state(client).answer_wait_ms = SealedChats::answer_wait_ms;
        sealed_state(client).offer_sealed_chats = false;  // the other suites predate sealed chats
        stop_file_receiver(client, true);
        set_file_sender_port(8087);
    }
    int chat_of(const wchar_t* nick) {
        int slot = -1;
        wait_until([&] { return (slot = find_chat(client, nick)) > 0; }, 15000);
        return slot;
    }
    bool shows(int slot, const std::wstring& text, int timeout_ms = 15000) {
        return wait_until([&] { return slot > 0 && contains(chat_text(client, slot), text); }, timeout_ms);
    }
    // A private chat with encryption on under `password`, and a typed line.
    int type_encrypted(const wchar_t* nick, const wchar_t* password, const wchar_t* line) {
        const int slot = open_private_chat(client, nick, true);
        if (slot <= 0) return slot;
        copy_text(client.chats[slot].password, password);
        client.chats[slot].encrypt_messages = true;
        send_text_to_chat(client, client.chats[slot], line);
        return slot;
    }
    // The Python peer in the background; its log as Wine sees it.
    std::wstring start_python_peer(const std::string& nick, const std::string& role, const std::string& passwords,
                                   const std::string& script) {
        const std::string log = linux_shell::scratch_folder() + "/" + nick + ".log";
        std::string error;
        EXPECT_TRUE(linux_shell::run("rm -f " + log + "; setsid python3 " QUILLMERE_SOURCE_DIR "/tests/e2e/sealed_peer.py " +
                                         std::to_string(server.port()) + " " + nick + " Quillseal " + role + " '" + passwords +
                                         "' '" + script + "' " + log + " </dev/null >/dev/null 2>&1 &",
                                     error))
            << error;
        return linux_shell::scratch_folder_wide() + std::wstring(nick.begin(), nick.end()) + L".log";
    }
    bool peer_wrote(const std::wstring& log, const std::string& text) {
        return wait_until([&] { return read_file_bytes(log).find(text) != std::string::npos; }, 30000);
    }
};

TEST_F(SealedEndToEnd, AnIndependentImplementationSealsAChatBothWays) {
    // Quillmere offers; the peer answers for both of its passwords.
    const std::wstring answer_log = start_python_peer("pyanswer", "answer", "wrong one,shared secret",
                                                      "wait;expect:hello sealed;say:hi back;act:waves");
    RawIrcClient probe;  // the peer must be on the server before the offer goes to it
    ASSERT_TRUE(probe.connect(static_cast<unsigned short>(server.port())));
    probe.send_line("NICK sealprobe");
    probe.send_line("USER probe 0 * :probe");
    ASSERT_TRUE(wait_until([&] {
        probe.send_line("ISON pyanswer");
        return probe.read_until(" :pyanswer", 300);
    }, 20000));
    const unsigned long notices = mention_notices_asked();
    const int chat = type_encrypted(L"pyanswer", L"shared secret", L"hello sealed");
    EXPECT_TRUE(shows(chat, sealed_text::established));
    EXPECT_TRUE(shows(chat, L"[SEALED] - hi back"));
    EXPECT_TRUE(shows(chat, L"[SEALED] * pyanswer waves"));
    // The receive thread asks for each notice just after handing its line over.
    wait_until([&] { return mention_notices_asked() - notices >= 2; });
    EXPECT_EQ(mention_notices_asked() - notices, 2u) << "a sealed line and a sealed action";
    EXPECT_TRUE(peer_wrote(answer_log, "sealed with password 2"));
    EXPECT_TRUE(peer_wrote(answer_log, "got: hello sealed\ndone")) << read_file_bytes(answer_log);

    // The peer offers; Quillmere answers with every stored password and selects the one that matched.
    const std::wstring offer_log = start_python_peer("pyoffer", "offer", "shared secret", "say:from python;expect:reply to python;expect:nods");
    const int second = chat_of(L"pyoffer");
    ASSERT_TRUE(shows(second, L"[SEALED] - from python", 30000)) << read_file_bytes(offer_log);
    EXPECT_TRUE(contains(chat_text(client, second), sealed_text::established));
    EXPECT_TRUE(wait_until([&] { return std::wstring(client.chats[second].password) == L"shared secret"; }));
    send_text_to_chat(client, client.chats[second], L"reply to python");
    EXPECT_TRUE(send_sealed_action(client, client.chats[second], L"nods"));
    EXPECT_TRUE(peer_wrote(offer_log, "got: reply to python\ngot: nods (action)\ndone")) << read_file_bytes(offer_log);
    EXPECT_FALSE(contains(chat_text(client, second), L"ZOVKEX"));
}

TEST_F(SealedEndToEnd, TamperedLinesAreRejectedAndNothingAlteredIsShown) {
    LocalPeer peer;
    ASSERT_TRUE(peer.join(server.port(), "localpeer"));
    peer.say(peer.chats.offer("localpeer", "Quillseal", Bytes{'o', 't', 'h', 'e', 'r', ' ', 'w', 'o', 'r', 'd', 's'}, 0));
    const int chat = chat_of(L"localpeer");
    ASSERT_TRUE(wait_until([&] { peer.take(); return peer.chats.state("Quillseal") == SealedChats::State::sealed; }, 15000));
    ASSERT_TRUE(shows(chat, sealed_text::established));
    send_text_to_chat(client, client.chats[chat], L"from quillmere");  // what the reflection sends back
    ASSERT_TRUE(wait_until([&] { peer.take(); return !peer.opened.empty(); }, 15000));
    EXPECT_EQ(peer.opened[0], "from quillmere");
    client.chats[chat].share_ip = true;  // the address goes sealed, never in clear
    peer.say("[ZOVGIP01]");
    ASSERT_TRUE(wait_until([&] { peer.take(); return peer.opened.size() > 1; }, 15000));
    EXPECT_EQ(peer.opened[1], "192.0.2.1");
    for (const std::string& line : peer.irc.lines()) EXPECT_EQ(line.find("[ZOVUIP01]"), std::string::npos);

    struct Case { e2e::Trick trick; const char* text; size_t shown; size_t rejections; const wchar_t* then; };
    const Case cases[] = {
        {e2e::Trick::flip, "altered on the way", 0, 1, nullptr},
        {e2e::Trick::replay, "said once", 1, 1, nullptr},
        {e2e::Trick::reflect, "swapped for a reflection", 0, 1, nullptr},
        {e2e::Trick::drop, "dropped part", 0, 0, L"1 messages did not arrive"},
    };
    for (const Case& c : cases) {
        const size_t rejected_before = count_of(chat_text(client, chat), L"[REJECTED]");
        relay->arm(c.trick);
        peer.say(*peer.chats.seal("Quillseal", PayloadKind::text, c.text));
        peer.say(*peer.chats.seal("Quillseal", PayloadKind::text, std::string("after ") + c.text));
        const std::wstring after = L"[SEALED] - after " + std::wstring(c.text, c.text + strlen(c.text));
        ASSERT_TRUE(shows(chat, after)) << c.text;
        const std::wstring text = chat_text(client, chat);
        EXPECT_EQ(count_of(text, L"- " + std::wstring(c.text, c.text + strlen(c.text)) + L"\r"), c.shown) << c.text;
        EXPECT_EQ(count_of(text, L"[REJECTED]") - rejected_before, c.rejections) << c.text;
        if (c.then) {
            EXPECT_TRUE(contains(text, c.then)) << c.text;
        }
        EXPECT_FALSE(relay->armed());
    }
    close_chat(client, L"localpeer");  // its keys go with it
    EXPECT_EQ(sealed_state(client).chats.state("localpeer"), SealedChats::State::none);
}

TEST_F(SealedEndToEnd, AWrongPasswordAndACompatibleOnlyPeerAreToldApart) {
    LocalPeer wrong;
    ASSERT_TRUE(wrong.join(server.port(), "wrongpeer"));
    wrong.say(wrong.chats.offer("wrongpeer", "Quillseal", Bytes{'n', 'o', 'p', 'e'}, 0));
    const int chat = chat_of(L"wrongpeer");
    EXPECT_TRUE(wait_until([&] { wrong.take(); return contains(chat_text(client, chat), sealed_text::mismatch); }, 15000));

    RawIrcClient old;  // knows only the compatible format
    ASSERT_TRUE(old.connect(static_cast<unsigned short>(server.port())));
    old.send_line("NICK oldpeer");
    old.send_line("USER z-zold 0 * :old peer");
    ASSERT_TRUE(old.read_until(" 001 ", 15000));
    sealed_state(client).answer_wait_ms = 300;  // the program waits 10 s
    const int slot = type_encrypted(L"oldpeer", L"shared secret", L"in the old format");
    EXPECT_TRUE(shows(slot, sealed_text::fallback));
    std::string block;
    EXPECT_TRUE(wait_until([&] {
        while (old.read_line(0)) {
            const size_t at = old.lines().back().find(":[ZOVMSG01]");
            if (at != std::string::npos) block = old.lines().back().substr(at + 11);
        }
        return !block.empty();
    }, 15000));
    EXPECT_EQ(decrypt_message(block, "shared secret"), "in the old format");
    EXPECT_EQ(count_of(chat_text(client, slot), sealed_text::fallback), 1u);
    // The offer reached it as one plain line, before the message.
    EXPECT_NE(old.lines().end(), std::find_if(old.lines().begin(), old.lines().end(), [](const std::string& l) {
                  return l.find(":[ZOVKEX02]") != std::string::npos;
              }));
}

TEST_F(SealedEndToEnd, FilesGoSealedBothWaysAndOneFailingItsCheckLeavesNothing) {
    set_file_receiver_port(0);
    switch_file_receiver(client, true);
    ASSERT_TRUE(wait_until([] { return file_receiver_listening(); }));
    const std::string port = std::to_string(file_receiver_bound_port()), folder = linux_shell::scratch_folder();
    const std::wstring wine_folder = linux_shell::scratch_folder_wide();
    std::string from_peer(2 * 65536 + 4321, '\0'), to_peer(65536 + 17, '\0');
    for (size_t i = 0; i < from_peer.size(); ++i) from_peer[i] = static_cast<char>(i * 7 + i / 311);
    for (size_t i = 0; i < to_peer.size(); ++i) to_peer[i] = static_cast<char>(i * 13 + i / 97);
    ASSERT_TRUE(write_file_bytes(wine_folder + L"from peer.bin", from_peer));
    ASSERT_TRUE(write_file_bytes(wine_folder + L"broken.bin", from_peer));
    ASSERT_TRUE(write_file_bytes(wine_folder + L"to peer.bin", to_peer));
    CreateDirectoryW((wine_folder + L"got").c_str(), nullptr);
    const std::wstring log = start_python_peer(
        "pyfiles", "offer", "shared secret",
        "sendfile:" + port + ":" + folder + "/from peer.bin;badfile:" + port + ":" + folder +
            "/broken.bin;listen;getfile:" + folder + "/got");
    const int chat = chat_of(L"pyfiles");

    // Peer to program: whole under its real name; the broken one leaves no trace.
    const std::wstring downloads = std::wstring(client.app_folder) + L"Downloads\\";
    ASSERT_TRUE(shows(chat, L"[SEALED] File 'from peer.bin' received whole", 30000)) << read_file_bytes(log);
    EXPECT_TRUE(read_file_bytes(downloads + L"from peer.bin") == from_peer);
    EXPECT_TRUE(shows(chat, sealed_file_text::failed, 30000)) << read_file_bytes(log);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((downloads + L"*").c_str(), &found);
    std::vector<std::wstring> saved;  // the server log aside
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        if (found.cFileName[0] != L'.' && std::wcsncmp(found.cFileName, L"server_data_log", 15) != 0) saved.push_back(found.cFileName);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    EXPECT_EQ(saved, std::vector<std::wstring>{L"from peer.bin"});

    // Program to peer: the address came sealed; the window's own Send.
    ASSERT_TRUE(peer_wrote(log, "listening on ")) << read_file_bytes(log);
    const std::string said = read_file_bytes(log);
    const int peer_port = std::atoi(said.c_str() + said.find("listening on ") + 13);
    ASSERT_TRUE(wait_until([&] { return std::wstring(client.chats[chat].peer_ip) == L"127.0.0.1"; }));
    set_file_sender_port(static_cast<unsigned short>(peer_port));
    select_chat(client, chat);
    EXPECT_EQ(banner(client), sealed_text::established);
    SetWindowTextW(client.file_path_edit, (wine_folder + L"to peer.bin").c_str());
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(IDC_SEND_FILE, BN_CLICKED), 0);
    EXPECT_TRUE(peer_wrote(log, "got file to peer.bin, 65553 bytes\ndone")) << read_file_bytes(log);
    EXPECT_TRUE(read_file_bytes(wine_folder + L"got\\to peer.bin") == to_peer);

    // A disconnect wipes the keys, and the banner says so at once.
    stop_receive_thread(client);
    EXPECT_TRUE(wait_until([&] { return banner(client) == encrypt_banner_text; }));
}

}  // namespace
