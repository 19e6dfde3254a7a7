// Quillmere as the client of tools/flood_server.py, without a person at the
// keyboard: builds the hidden main window, connects through the same path as
// the connect dialog's Connect button, and runs the message loop until the
// server closes the connection. The flood server prints the figures; this
// prints the client's own view (wall time, whether the channel tab opened).
//
//   python3 tools/flood_server.py --port 6670 &
//   wine64 build/bench_flood_client.exe 6670 [--log]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "chat/chat_tabs.h"
#include "controls/buffer_edit.h"
#include "headless_client.h"
#include "net/connection_start.h"
#include "net/receive_loop.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_flood_client PORT [--log]\n");
        return 2;
    }
    const std::wstring port = std::to_wstring(std::atoi(argv[1]));
    const bool log = argc > 2 && std::strcmp(argv[2], "--log") == 0;

    std::unique_ptr<ChatClient> headless = bench::start_headless_client(L"flood");
    if (!headless) {
        std::fprintf(stderr, "bench_flood_client: the main window could not be created\n");
        return 1;
    }
    ChatClient& client = *headless;
    client.save_log_file = log;

    const auto start = std::chrono::steady_clock::now();
    if (!connect_and_start(client, {L"127.0.0.1", port, L"Floodbench", L"floodb"})) {
        std::fprintf(stderr, "bench_flood_client: cannot connect to 127.0.0.1:%ls\n", port.c_str());
        return 1;
    }
    bench::run_messages_until_disconnected(client);
    const auto disconnected = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(disconnected - start).count();
    const int channel = find_chat(client, L"#flood");
    std::printf("bench_flood_client: connected %.2f s in all (server log %s), channel tab %s\n", seconds,
                log ? "on" : "off", channel > 0 ? "open" : "missing");
    // The receive thread does not wait for the writing: lines may still be
    // queued when the server has its PONG. Write them out and say how long it
    // took, so that "PONG + this" is the time until the last line was shown.
    bench::pump_messages();
    flush_chat_appends(client);
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
    stop_receive_thread(client);
    return 0;
}
