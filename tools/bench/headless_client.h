#pragma once
// Quillmere without a person at the keyboard, for the benchmarks that run the
// real program: the hidden main window built as on start, a program folder of
// its own, and message boxes answered at once (a box nobody closes would stop
// the user-interface thread for good).
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>

#include "app/chat_client.h"
#include "app/text.h"
#include "framework/basic_window.h"
#include "framework/message_box.h"
#include "net/server_socket.h"
#include "chat/ui_post.h"
#include "transfer/file_receiver.h"

namespace bench {

// A fresh program folder under the temporary folder, with Settings\ and Downloads\.
inline std::wstring bench_folder(const wchar_t* tag) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring folder = format_text(L"%squillmere-%s-%d\\", base, tag, static_cast<int>(GetTickCount()));
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"Settings").c_str(), nullptr);
    CreateDirectoryW((folder + L"Downloads").c_str(), nullptr);
    return folder;
}

// Answers every message box with OK and counts them.
inline std::atomic<int>& message_boxes_asked() {
    static std::atomic<int> count{0};
    return count;
}

// Starts the program's pieces as its entry point does and builds the hidden
// main window; nullptr when the window could not be made.
inline std::unique_ptr<ChatClient> start_headless_client(const wchar_t* tag) {
    // The file receiver opens with the settings: on a port of the system's
    // choosing, so a benchmark never competes with a running Quillmere for 8087.
    set_file_receiver_port(0);
    start_network();
    LoadLibraryW(L"Msftedit.dll");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    set_message_box_hook([](HWND, const wchar_t*, const wchar_t*, UINT) {
        ++message_boxes_asked();
        return IDOK;
    });
    auto client = std::make_unique<ChatClient>(SW_HIDE, L"QuillmereWindowClass", GetModuleHandleW(nullptr),
                                               L"Quillmere bench");
    if (!create_main_window(*client)) return nullptr;
    start_ui_posts();
    copy_text(client->app_folder, bench_folder(tag).c_str());
    client->enable_sounds_app = false;
    client->auto_reconnect = false;  // each benchmark measures the one connection it makes
    client->connection.public_ip = L"192.0.2.1";  // no lookup on the network
    return client;
}

inline void pump_messages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Runs the message loop until the connection is closed or `limit_s` seconds
// have passed (0: no limit); false when it stopped at the limit.
inline bool run_messages_until_disconnected(ChatClient& client, double limit_s = 0) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(limit_s * 1000);
    for (;;) {
        pump_messages();
        if (!client.server_socket.connected) return true;
        if (limit_s > 0 && GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

}  // namespace bench
