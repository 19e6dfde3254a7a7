#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/ui_thread.h"
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

void write_notice(HWND bar, const std::wstring& title, const std::wstring& body) {
    SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(title.c_str()));
    SendMessageW(bar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(body.c_str()));
}

// A notice from another thread waits here for the window's thread; a newer
// one replaces it, so a burst of notices costs one write and no memory.
struct LatestNotice {
    std::mutex lock;
    std::wstring title, body;
    bool on_its_way = false;
};

// Never destroyed: a download may end while the process's statics go.
LatestNotice& latest_notice() {
    static LatestNotice* latest = new LatestNotice;
    return *latest;
}

void hand_over_notice(ChatClient& client, HWND bar, std::wstring title, std::wstring body) {
    LatestNotice& latest = latest_notice();
    {
        std::lock_guard<std::mutex> guard(latest.lock);
        latest.title.swap(title);
        latest.body.swap(body);
        if (latest.on_its_way) return;
        latest.on_its_way = true;
    }
    post_ui_task(
        client,
        [bar] {
            LatestNotice& waiting = latest_notice();
            std::wstring shown_title, shown_body;
            {
                std::lock_guard<std::mutex> guard(waiting.lock);
                shown_title.swap(waiting.title);
                shown_body.swap(waiting.body);
                waiting.on_its_way = false;
            }
            if (IsWindow(bar)) write_notice(bar, shown_title, shown_body);
        },
        TaskKind::always);
}
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

void show_status_notice(const char* title, const char* text, bool with_sound) {
    if (!title) title = "";
    if (!text) text = "";
    show_status_notice(wide_text(title, strlen(title), CP_THREAD_ACP), wide_text(text, strlen(text), CP_THREAD_ACP),
                       with_sound);
}

void show_status_notice(const char* title, const std::wstring& text, bool with_sound) {
    if (!title) title = "";
    show_status_notice(wide_text(title, strlen(title), CP_THREAD_ACP), text, with_sound);
}

void show_status_notice(const std::wstring& wide_title, const std::wstring& wide_body, bool with_sound) {
    const HWND bar = status_bar_window;
    bool sound = false;
    if (bar && GetWindowThreadProcessId(bar, nullptr) == GetCurrentThreadId()) {
        // The client is destroyed on this thread, so it cannot go meanwhile.
        write_notice(bar, wide_title, wide_body);
        const ChatClient* client = the_client;
        sound = client && client->enable_sounds_app;
    } else {
        // Another thread (the receive thread must answer the server's PING)
        // never waits for the window: it hands the notice over. A thread that
        // outlived the client (a download at exit) has nobody to tell.
        use_live_client([&](ChatClient& client) {
            if (bar) hand_over_notice(client, bar, wide_title, wide_body);
            sound = client.enable_sounds_app;
        });
    }
    if (with_sound && sound && !wide_title.empty() && !wide_body.empty()) play_tone(notice_beep);
}
