#include "support/window_probe.h"

#include <commctrl.h>

#include <atomic>
#include <thread>

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "support/test_client.h"

bool wait_until(const std::function<bool()>& done, int timeout_ms) {
    const DWORD deadline = GetTickCount() + timeout_ms;
    for (;;) {
        pump_messages();
        if (done()) return true;
        if (static_cast<int>(deadline - GetTickCount()) <= 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

bool run_beside_ui(const std::function<void()>& work, const std::function<void(int)>& ui_step, int timeout_ms) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    const DWORD deadline = GetTickCount() + timeout_ms;
    for (int step = 0; !done && static_cast<int>(deadline - GetTickCount()) > 0; ++step) {
        if (ui_step) ui_step(step);
        pump_messages();
        if (!ui_step) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    const bool in_time = done;
    while (!done) {
        pump_messages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    worker.join();
    pump_messages();
    write_out_queue(test_client());
    return in_time;
}

bool run_while_window_busy(const std::function<void()>& work, const std::function<void()>& let_go, int timeout_ms) {
    HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        work();
        SetEvent(ended);
    });
    const bool alone = WaitForSingleObject(ended, timeout_ms) == WAIT_OBJECT_0;
    if (let_go) let_go();
    while (MsgWaitForMultipleObjects(1, &ended, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) pump_messages();
    worker.join();
    CloseHandle(ended);
    return alone;
}

std::wstring window_text(HWND window) {
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
    return text;
}

RECT child_rect(HWND parent, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring class_of(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring status_text(const ChatClient& client, int part) {
    const int length = LOWORD(SendMessageW(client.status_bar, SB_GETTEXTLENGTHW, part, 0));
    std::wstring text(length + 1, L'\0');
    SendMessageW(client.status_bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

void close_every_chat(ChatClient& client) {
    for (int slot = 1; slot < chat_slot_count; ++slot)
        if (client.chats[slot].in_use) close_chat(client, chat_name(client, slot).c_str());
}
