#include "input_fixture.h"

#include "chat/chat_tabs.h"
#include "chat/sealed_state.h"
#include "support/rich_text.h"
#include "controls/buffer_edit.h"
#include "controls/input_edit.h"
#include "framework/message_box.h"
#include "net/server_socket.h"
#include "support/test_client.h"
#include "support/window_probe.h"

InputLineTest::InputLineTest() : client(test_client()) {}

void InputLineTest::SetUp() {
    if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
    close_every_chat(client);
    select(0);
    client.connection.nickname = L"bob";
    sealed_state(client).offer_sealed_chats = false;  // these read the compatible format
    input = GetDlgItem(client.main_window, 2);
    ASSERT_NE(input, nullptr) << "the main window has no input line";
    SetWindowTextW(input, L"");
}

void InputLineTest::TearDown() {
    set_message_box_hook(nullptr);
    if (client.server_socket.connected) close_connection(client.server_socket);
    server.reset();
    close_every_chat(client);
    select(0);
    pump_messages();
}

void InputLineTest::connect() {
    server = std::make_unique<LoopbackServer>();
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server->port()));
    ASSERT_TRUE(server->accept_client());
}

int InputLineTest::open_chat(const wchar_t* name, bool is_channel) {
    const int slot = create_chat(client, name, is_channel);
    EXPECT_GT(slot, 0) << "chat tabs cannot be opened";
    if (slot > 0) select(slot);
    return slot;
}

void InputLineTest::type_and_enter(const std::wstring& text) {
    SetWindowTextW(input, text.c_str());
    SendMessageW(input, WM_CHAR, L'\r', 1);
    pump_messages();
}

std::wstring InputLineTest::input_text() const {
    return window_text(input);
}

std::string InputLineTest::next_line(int timeout_ms) {
    return server ? server->receive_line(timeout_ms) : std::string();
}

bool InputLineTest::nothing_sent_before_sentinel() {
    type_and_enter(L"/time");
    return next_line() == "TIME";
}

std::wstring InputLineTest::buffer_text(int slot) const {
    const ChatRecord& chat = client.chats[slot];
    return chat.buffer ? rich_edit_text(chat.buffer->window) : std::wstring();
}

size_t InputLineTest::count_in_buffer(int slot, const std::wstring& text) const {
    const std::wstring all = buffer_text(slot);
    size_t count = 0;
    for (size_t at = all.find(text); at != std::wstring::npos; at = all.find(text, at + 1)) ++count;
    return count;
}

bool InputLineTest::last_run_has_colours(int slot, const std::wstring& text, COLORREF colour,
                                         COLORREF background) const {
    const std::wstring all = buffer_text(slot);
    const size_t at = all.rfind(text);
    if (at == std::wstring::npos || !client.chats[slot].buffer) return false;
    HWND buffer = client.chats[slot].buffer->window;
    CHARRANGE range{static_cast<LONG>(at), static_cast<LONG>(at + text.size())};
    SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(buffer, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    // The masks say the whole selection shares one colour and one background.
    const bool one_colour = (format.dwMask & CFM_COLOR) && (format.dwMask & CFM_BACKCOLOR);
    return one_colour && format.crTextColor == colour && format.crBackColor == background &&
           !(format.dwEffects & (CFE_AUTOCOLOR | CFE_AUTOBACKCOLOR));
}
