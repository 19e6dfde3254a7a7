// Quillmere as the client of tools/flood_server.py, without a person at the
// keyboard: builds the hidden main window, connects through the same path as
// the connect dialog's Connect button, and runs the message loop until the
// server closes the connection. The flood server prints the figures; this
// prints the client's own view (wall time, whether the channel tab opened).
//
//   python3 tools/flood_server.py --port 6670 &
//   wine64 build/bench_flood_client.exe 6670 [--log] [--visible] [--tls] [--no-times]
//
// --no-times leaves the time off the front of each line (show_times=false).
//
// --tls connects with TLS (flood_server.py --tls CERT KEY) and trusts the
// server's certificate when asked, as a user pressing Yes would.
//
// --visible shows the main window (run it under a display: tools/flood_compare.sh
// does, beside HexChat) and prints the time from the first line of the flood
// until every line is written and painted, the figure to hold against
// another client's time to its PONG.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "chat/append_queue.h"
#include "chat/chat_tabs.h"
#include "controls/buffer_edit.h"
#include "headless_client.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_flood_client PORT [--log] [--visible] [--tls] [--no-times]\n");
        return 2;
    }
    const std::wstring port = std::to_wstring(std::atoi(argv[1]));
    bool log = false, visible = false, tls = false, times = true;
    for (int i = 2; i < argc; ++i) {
        log = log || std::strcmp(argv[i], "--log") == 0;
        times = times && std::strcmp(argv[i], "--no-times") != 0;
        visible = visible || std::strcmp(argv[i], "--visible") == 0;
        tls = tls || std::strcmp(argv[i], "--tls") == 0;
    }

    std::unique_ptr<ChatClient> headless = bench::start_headless_client(L"flood");
    if (!headless) {
        std::fprintf(stderr, "bench_flood_client: the main window could not be created\n");
        return 1;
    }
    ChatClient& client = *headless;
    // The flood server's certificate is its own: Yes to the trust question.
    set_message_box_hook([](HWND, const wchar_t*, const wchar_t*, UINT flags) {
        ++bench::message_boxes_asked();
        return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    });
    client.save_log_file = log;
    client.show_times = times;
    if (visible) {
        ShowWindow(client.main_window, SW_SHOWMAXIMIZED);
        UpdateWindow(client.main_window);
    }

    // The first line of the flood is seen as the first burst of work queued
    // once the channel is open (the join's own few lines come seconds
    // before the flood): watched from a thread of its own, so the moment is not late by
    // however long the window was busy.
    std::atomic<bool> watching{true};
    std::atomic<long long> first_line_ns{0};
    std::thread watcher([&] {
        while (watching && first_line_ns == 0) {
            if (find_chat(client, L"#flood") > 0 && queued_work_count() > 50)
                first_line_ns = std::chrono::steady_clock::now().time_since_epoch().count();
            Sleep(1);
        }
    });

    const auto start = std::chrono::steady_clock::now();
    if (!connect_and_start(client, {L"127.0.0.1", port, L"Floodbench", L"floodb", tls})) {
        std::fprintf(stderr, "bench_flood_client: cannot connect to 127.0.0.1:%ls\n", port.c_str());
        return 1;
    }
    // The connection is made on the receive thread: the loop waits for it first.
    for (const ULONGLONG give_up = GetTickCount64() + 10000; !client.server_socket.connected && GetTickCount64() < give_up;)
        bench::pump_messages(), Sleep(5);
    bench::run_messages_until_disconnected(client);
    const auto disconnected = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(disconnected - start).count();
    const int channel = find_chat(client, L"#flood");
    std::printf("bench_flood_client: connected %.2f s in all (server log %s, times %s), channel tab %s\n", seconds,
                log ? "on" : "off", times ? "on" : "off", channel > 0 ? "open" : "missing");
    // The receive thread does not wait for the writing: lines may still be
    // queued when the server has its PONG. Write them out and say how long it
    // took, so that "PONG + this" is the time until the last line was shown.
    bench::pump_messages();
    write_out_queue(client);
    if (visible) {
        RedrawWindow(client.main_window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        bench::pump_messages();
    }
    const auto all_shown = std::chrono::steady_clock::now();
    watching = false;
    watcher.join();
    const double drain = std::chrono::duration<double>(std::chrono::steady_clock::now() - disconnected).count();
    std::wstring last_line;
    if (channel > 0 && client.chats[channel].buffer) {
        HWND buffer = client.chats[channel].buffer->window;
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(buffer)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(buffer, &text[0], static_cast<int>(text.size()))));
        while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
        const size_t line_start = text.find_last_of(L"\r\n");
        last_line = line_start == std::wstring::npos ? text : text.substr(line_start + 1);
    }
    std::printf("bench_flood_client: %.2f s more after the disconnect until every line was written; "
                "last line: %ls\n", drain, last_line.c_str());
    if (first_line_ns != 0) {
        const double shown = (all_shown.time_since_epoch().count() - first_line_ns) / 1e9;
        std::printf("bench_flood_client: %.2f s from the first line of the flood until every line was shown%s\n",
                    shown, visible ? " and painted" : "");
    }
    stop_receive_thread(client);
    return 0;
}
