#include "dialog_fixture.h"

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "net/server_socket.h"
#include "support/net_test_support.h"
#include "support/test_client.h"

DialogTest::DialogTest() : client(test_client()) {
    if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
    folder = net_test::use_fresh_folder(client, L"dialogs");
    ini = folder + L"Settings\\Settings.ini";
}

void DialogTest::TearDown() { pump_messages(); }

bool DialogTest::with_dialog(int command, const std::function<void(HWND)>& drive) {
    return run_modal([&] { SendMessageW(client.main_window, WM_COMMAND, command, 0); }, drive);
}

void DialogTest::write(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    WritePrivateProfileStringW(section, key, value.c_str(), ini.c_str());
}

std::wstring DialogTest::read(const wchar_t* section, const wchar_t* key) {
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(section, key, L"", value, 1024, ini.c_str());
    return value;
}

bool DialogTest::missing(const wchar_t* section, const wchar_t* key) {
    wchar_t value[16] = {};
    GetPrivateProfileStringW(section, key, L"(none)", value, 16, ini.c_str());
    return std::wstring(value) == L"(none)";
}

void ConnectedDialogTest::SetUp() {
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
    ASSERT_TRUE(server.accept_client());
}

void ConnectedDialogTest::TearDown() {
    if (client.server_socket.connected) close_connection(client.server_socket);
    DialogTest::TearDown();
}

std::vector<std::string> ConnectedDialogTest::sent_lines() {
    return ::sent_lines(client.server_socket, server);
}

std::wstring item_text_of(HWND dialog, int id) {
    wchar_t text[4096] = {};
    GetDlgItemTextW(dialog, id, text, 4096);
    return text;
}
