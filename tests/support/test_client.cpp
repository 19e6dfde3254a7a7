#include "support/test_client.h"

#include <windows.h>

#include "app/chat_client.h"
#include "app/text.h"
#include "framework/basic_window.h"
#include "mainwindow/window_layout.h"
#include "mainwindow/window_scale.h"
#include "transfer/file_receiver.h"

std::wstring make_temp_folder(const wchar_t* tag) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    // Wine reuses small process ids from run to run, so the id alone could hand
    // back a folder left over by an earlier run: keep trying until the folder is
    // new.
    static int counter = 0;
    LARGE_INTEGER now;
    for (;;) {
        QueryPerformanceCounter(&now);
        std::wstring folder = format_text(L"%squillmere-%s-%d-%d-%d\\", base, tag,
                                          static_cast<int>(GetCurrentProcessId()), ++counter,
                                          static_cast<long long>(now.QuadPart % 1000000007));
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return folder;
    }
}

ChatClient& test_client() {
    static ChatClient* client = [] {
        // Every test process loads the preferences at start-up, which opens the
        // file receiver: on a port of the system's choosing, so that test
        // processes running side by side never compete for 8087.
        set_file_receiver_port(0);
        auto* c = new ChatClient(SW_HIDE, L"QuillmereWindowClass", GetModuleHandleW(nullptr), L"Quillmere v1.5b");
        if (!create_main_window(*c)) return c;
        // Wine's headless screen (1024 x 768) is smaller than the window's
        // reference size, which the tests' expected places are drawn for.
        const SIZE reference = main_window_size(*c, reference_width, reference_height);
        SetWindowPos(c->main_window, nullptr, 0, 0, reference.cx, reference.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        // A connection one test lets drop must not come back during a later
        // one: the tests about reconnecting switch it on themselves.
        c->auto_reconnect = false;
        c->show_times = false;  // else each expected text depends on the clock; tests of times switch them on
        // The window takes the executable's folder as it would for a user; the
        // tests work in a folder of their own, never beside the executable.
        const std::wstring folder = make_temp_folder(L"client");
        CreateDirectoryW((folder + L"Settings").c_str(), nullptr);
        CreateDirectoryW((folder + L"Downloads").c_str(), nullptr);
        copy_text(c->app_folder, folder.c_str());
        return c;
    }();
    return *client;
}

void pump_messages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
