#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <string>

#include "app/chat_client.h"
#include "app/text.h"
#include "irc/sounds.h"
#include "mainwindow/build_steps.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"

namespace {
// Held process-wide so that any thread can write a notice.
std::atomic<HWND> status_bar_window{nullptr};

// Right edges of the title, the text and the statistics part.
constexpr int part_edges[3] = {160, 850, 1300};

constexpr Tone notice_beep{650, 20};
}  // namespace

HWND create_status_bar(ChatClient& client) {
    HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, client.main_window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), client.instance, nullptr);
    if (!bar) return nullptr;
    int parts[3] = {part_edges[0], part_edges[1], part_edges[2]};
    SendMessageW(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    SendMessageW(bar, WM_SETFONT, reinterpret_cast<WPARAM>(client.font_normal), FALSE);
    client.status_bar = bar;
    status_bar_window = bar;
    return bar;
}

void show_status_notice(const char* title, const char* text) {
    if (!title) title = "";
    if (!text) text = "";
    const std::wstring wide_title = wide_text(title, strlen(title), CP_THREAD_ACP);
    const std::wstring wide_body = wide_text(text, strlen(text), CP_THREAD_ACP);
    // A synchronous send from another thread is carried out on the window's
    // own thread; the texts live until it returns.
    if (HWND bar = status_bar_window) {
        SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide_title.c_str()));
        SendMessageW(bar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(wide_body.c_str()));
    }
    if (*title && *text && the_client && the_client->enable_sounds_app) play_tone(notice_beep);
}
