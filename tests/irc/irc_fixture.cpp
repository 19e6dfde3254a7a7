#include "irc_fixture.h"

#include <commctrl.h>
#include <richedit.h>

#include <atomic>
#include <ostream>
#include <thread>

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "support/rich_text.h"
#include "controls/buffer_edit.h"
#include "framework/message_box.h"
#include "irc/irc_line.h"
#include "mainwindow/main_window.h"
#include "net/server_socket.h"
#include "support/test_client.h"
#include "support/window_probe.h"

namespace {
std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}
}  // namespace

std::ostream& operator<<(std::ostream& out, const TextRun& run) {
    return out << "{\"" << narrow(run.text) << "\" " << std::hex << run.colour << " on " << run.background << std::dec
               << "}";
}

TextRun run(const wchar_t* text, COLORREF colour, COLORREF background) {
    return TextRun{text, colour, background};
}

IrcTest::IrcTest() : client(test_client()) {}

void IrcTest::SetUp() {
    if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
    close_every_chat(client);
    client.current_chat = &client.chats[0];
    clear_chat(client, 0);
    client.connection.nickname = L"me";
    client.connection.public_ip = L"10.0.0.7";
    client.connection.features.reset();
    client.connection.receive.reset();
    client.allow_open_private_chats = true;
    client.reply_away_message = false;
    client.show_rejected_message = true;
    client.enable_sounds_app = false;
    copy_text(client.msg_dont_allow_open_private_chats, L"Sorry, I don't accept private chats now");
    client.silence_all_but[0] = 0;
    client.stats_urls = 0;
    client.stats_mentions = 0;
    client.stats_chats_accepted = 0;
    client.stats_chats_refused = 0;
    client.stats_away_replies = 0;
    speaker.start();
    set_message_box_hook([](HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; });
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
    ASSERT_TRUE(server.accept_client());
}

void IrcTest::TearDown() {
    close_every_chat(client);
    client.current_chat = &client.chats[0];
    if (client.server_socket.connected) close_connection(client.server_socket);
    speaker.stop();
    // Boxes the lines raised wait in the interface thread's queue: answered by
    // the test's hook before it goes.
    pump_messages();
    set_message_box_hook(nullptr);
    pump_messages();
}

void IrcTest::dispatch(const std::wstring& line) {
    dispatch_line(client, line);
}

void IrcTest::dispatch_from_receive_thread(const std::vector<std::wstring>& lines) {
    EXPECT_TRUE(run_beside_ui([&] {
        for (const auto& line : lines) dispatch_line(client, line);
    })) << "the lines were still being handled after a minute";
}

std::vector<std::string> IrcTest::sent_lines() {
    return ::sent_lines(client.server_socket, server);
}

int IrcTest::open_channel(const wchar_t* name) {
    return create_chat(client, name, true);
}

int IrcTest::open_private(const wchar_t* name) {
    return create_chat(client, name, false);
}

void IrcTest::select(int slot) {
    select_chat(client, slot);
}

std::vector<ChatLine> IrcTest::chat_lines(int slot) {
    std::vector<ChatLine> lines;
    const ChatRecord& chat = client.chats[slot];
    if (!chat.buffer) return lines;
    HWND buffer = chat.buffer->window;
    const std::wstring text = rich_edit_text(buffer);

    CHARRANGE kept;
    SendMessageW(buffer, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    ChatLine current;
    for (LONG i = 0; i < static_cast<LONG>(text.size()); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            if (!current.empty()) lines.push_back(current);
            current.clear();
            continue;
        }
        CHARRANGE one{i, i + 1};
        SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        SendMessageW(buffer, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        if (!current.empty() && current.back().colour == format.crTextColor &&
            current.back().background == format.crBackColor)
            current.back().text += text[i];
        else
            current.push_back(TextRun{std::wstring(1, text[i]), format.crTextColor, format.crBackColor});
    }
    if (!current.empty()) lines.push_back(current);
    SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    return lines;
}

std::vector<std::wstring> IrcTest::chat_texts(int slot) {
    std::vector<std::wstring> texts;
    for (const ChatLine& line : chat_lines(slot)) {
        std::wstring text;
        for (const TextRun& piece : line) text += piece.text;
        texts.push_back(text);
    }
    return texts;
}

std::wstring IrcTest::status_text(int part) {
    return ::status_text(client, part);
}
