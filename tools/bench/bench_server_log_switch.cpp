// Quillmere's receive thread with a large server log present: the log (by
// default 500 MB, sparse: a code-page line and then zeros) is in place before
// the connection; after registration the server sends one line the code page
// cannot hold, then a PING, and the time to the PONG is printed. Then it sends
// a flood of lines and a PING again, to time the log at its steady pace.
//
//   wine64 build/tools/bench/bench_server_log_switch.exe [LOG SIZE IN MB]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench_clock.h"
#include "headless_client.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "connection/server_log.h"
#include "support/loopback.h"

namespace {
struct Figures {
    double switch_pong_s = -1, flood_pong_s = -1;
};

void send_text(SOCKET peer, const std::string& text) {
    send(peer, text.data(), static_cast<int>(text.size()), 0);
}

// Reads until `wanted` appears in what the client sent, or 60 s pass.
bool read_until(SOCKET peer, const std::string& wanted, std::string& seen) {
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while (seen.find(wanted) == std::string::npos) {
        if (GetTickCount64() >= deadline) return false;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(peer, &readable);
        timeval wait{0, 100000};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
        char chunk[4096];
        const int got = recv(peer, chunk, sizeof chunk, 0);
        if (got <= 0) return false;
        seen.append(chunk, static_cast<size_t>(got));
    }
    return true;
}

void serve(SOCKET listener, Figures& figures) {
    SOCKET peer = accept(listener, nullptr, nullptr);
    if (peer == INVALID_SOCKET) return;
    std::string seen;
    read_until(peer, "USER ", seen);
    send_text(peer, ":srv 001 Logger :Welcome\r\n");
    double start = now_seconds();
    // U+0436 and U+1F600: no 8-bit code page holds both.
    send_text(peer, ":srv NOTICE Logger :\xD0\xB6 \xF0\x9F\x98\x80\r\nPING :switch\r\n");
    if (read_until(peer, "PONG :switch", seen)) figures.switch_pong_s = now_seconds() - start;
    std::string flood;
    for (int i = 0; i < 20000; ++i) flood += ":srv NOTICE Logger :line " + std::to_string(i) + " \xD0\xB6\r\n";
    start = now_seconds();
    send_text(peer, flood + "PING :flood\r\n");
    if (read_until(peer, "PONG :flood", seen)) figures.flood_pong_s = now_seconds() - start;
    closesocket(peer);
}

bool make_large_log(const std::wstring& path, unsigned long long size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const char first[] = ":srv NOTICE Logger :caf\xE9\r\n";
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    const bool made = WriteFile(file, first, sizeof first - 1, &written, nullptr) &&
                      SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return made;
}
}  // namespace

int main(int argc, char** argv) {
    const unsigned long long megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 500;
    std::unique_ptr<ChatClient> headless = bench::start_headless_client(L"logswitch");
    if (!headless) {
        std::fprintf(stderr, "bench_server_log_switch: the main window could not be created\n");
        return 1;
    }
    ChatClient& client = *headless;
    client.save_log_file = true;
    if (!make_large_log(server_log_path(client), megabytes * 1024 * 1024)) {
        std::fprintf(stderr, "bench_server_log_switch: the %llu MB log could not be made\n", megabytes);
        return 1;
    }
    unsigned short port = 0;
    SOCKET listener = listen_on_loopback(1, port);
    Figures figures;
    std::thread server(serve, listener, std::ref(figures));
    if (!connect_and_start(client, {L"127.0.0.1", std::to_wstring(port), L"Logger", L"logger"})) {
        std::fprintf(stderr, "bench_server_log_switch: cannot connect to 127.0.0.1:%u\n", port);
        closesocket(listener);
        server.join();
        return 1;
    }
    bench::run_messages_until_disconnected(client, 180);
    server.join();
    closesocket(listener);
    stop_receive_thread(client);

    if (figures.switch_pong_s >= 0)
        std::printf("server log: PONG %.3f s after one line the code page cannot hold, with a %llu MB log present\n",
                    figures.switch_pong_s, megabytes);
    else
        std::printf("server log: PING NOT answered after one line the code page cannot hold (%llu MB log)\n",
                    megabytes);
    if (figures.flood_pong_s >= 0)
        std::printf("server log: PONG %.3f s after 20,000 more logged lines\n", figures.flood_pong_s);
    std::printf("server log: %d message box(es) asked\n", bench::message_boxes_asked().load());
    const bool sound = figures.switch_pong_s >= 0 && figures.flood_pong_s >= 0 && bench::message_boxes_asked() == 0;
    return sound ? 0 : 1;
}
