#include "mainwindow/main_window.h"

#include <commctrl.h>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "dialogs/about_dialog.h"
#include "resources/resource_ids.h"

namespace {
// Held process-wide so that any thread can write a notice.
std::atomic<HWND> status_bar_window{nullptr};
}

void build_main_window(ChatClient& client) {
    HWND main = client.main_window;
    client.status_bar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, main,
                                        reinterpret_cast<HMENU>(499), client.instance, nullptr);
    int parts[3] = {160, 850, 1300};
    SendMessageW(client.status_bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    status_bar_window = client.status_bar;
    client.about_dialog = std::make_unique<AboutDialog>(client.instance, IDD_ABOUT, main);
    client.menu = GetMenu(main);
    startup_in_progress = false;
}

bool handle_command(ChatClient& client, int id, int code, HWND source) {
    switch (id) {
    case IDM_ABOUT:
        client.about_dialog->show();
        return true;
    case IDM_EXIT:
        client.confirm_exit();
        return true;
    default:
        return false;
    }
}

HBRUSH control_colours(ChatClient&, UINT, HDC, HWND) {
    return nullptr;
}

void layout_main_window(ChatClient&) {}

void focus_input_line(ChatClient& client) {
    if (client.input_window) SetFocus(client.input_window);
}

void disconnect_reset(ChatClient& client) {}

void show_status_notice(const char* title, const char* text) {
    HWND bar = status_bar_window;
    if (!bar) return;
    std::wstring wide_title = wide_text(title, strlen(title), CP_THREAD_ACP);
    std::wstring wide_body = wide_text(text, strlen(text), CP_THREAD_ACP);
    SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide_title.c_str()));
    SendMessageW(bar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(wide_body.c_str()));
    if (*title && *text && the_client && the_client->enable_sounds_app) Beep(650, 20);
}
