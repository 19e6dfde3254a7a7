// Quillmere against a server that repeats its end-of-welcome reply: the hidden
// main window, the connect dialog's connect path and the message loop, with a
// favourite channel to join and an address lookup that fails at once. The
// server here sends one welcome, then the reply N times (3,000 by default),
// then a PING; it prints the program's thread count (and GDI objects where
// the system counts them) before and after the repeats, and how many JOINs
// arrived.
//
//   wine64 build/tools/bench/bench_repeated_welcome.exe [REPEATS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench_clock.h"
#include "headless_client.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "support/loopback.h"
#include "support/process_probe.h"
#include "transfer/public_ip.h"

namespace {
struct Figures {
    int threads_before = 0, threads_after = 0;
    DWORD gdi_before = 0, gdi_after = 0;
    int joins = 0;
    bool ponged = false;
};

void send_text(SOCKET peer, const std::string& text) {
    send(peer, text.data(), static_cast<int>(text.size()), 0);
}

// Reads what the client sent until `wanted` appears or `limit_ms` passes;
// counts the JOIN lines on the way.
bool read_until(SOCKET peer, const std::string& wanted, int limit_ms, std::string& seen, int& joins) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(limit_ms);
    for (;;) {
        size_t line_end;
        while ((line_end = seen.find("\r\n")) != std::string::npos) {
            const std::string line = seen.substr(0, line_end);
            seen.erase(0, line_end + 2);
            if (line.rfind("JOIN ", 0) == 0) ++joins;
            if (line.find(wanted) != std::string::npos) return true;
        }
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
}

void serve(SOCKET listener, int repeats, Figures& figures) {
    SOCKET peer = accept(listener, nullptr, nullptr);
    if (peer == INVALID_SOCKET) return;
    std::string seen;
    int joins = 0;
    read_until(peer, "USER ", 10000, seen, joins);
    send_text(peer, ":srv 001 Repeater :Welcome\r\n:srv 376 Repeater :End of MOTD command\r\n");
    read_until(peer, "JOIN ", 10000, seen, joins);
    // The first registration's lookup fails at once; its thread has ended.
    Sleep(1000);
    figures.threads_before = probe::thread_count();
    figures.gdi_before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    std::string burst;
    for (int repeat = 0; repeat < repeats; ++repeat) burst += ":srv 376 Repeater :End of MOTD command\r\n";
    send_text(peer, burst + "PING :repeated\r\n");
    figures.ponged = read_until(peer, "PONG", 60000, seen, joins);
    // Whatever the repeats started has had time to end.
    Sleep(2000);
    read_until(peer, "\x01never", 200, seen, joins);
    figures.joins = joins;
    figures.threads_after = probe::thread_count();
    figures.gdi_after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    closesocket(peer);
}
}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 3000;
    std::unique_ptr<ChatClient> headless = bench::start_headless_client(L"welcome");
    if (!headless) {
        std::fprintf(stderr, "bench_repeated_welcome: the main window could not be created\n");
        return 1;
    }
    ChatClient& client = *headless;
    const std::wstring ini = std::wstring(client.app_folder) + L"Settings\\Settings.ini";
    WritePrivateProfileStringW(L"channels", L"channel_name_1", L"#repeat", ini.c_str());
    WritePrivateProfileStringW(L"channels", L"channel_autojoin_1", L"true", ini.c_str());
    client.connection.public_ip.clear();
    set_ip_echo_url(L"http://127.0.0.1:1/");

    unsigned short port = 0;
    SOCKET listener = listen_on_loopback(1, port);
    Figures figures;
    std::thread server(serve, listener, repeats, std::ref(figures));
    if (!connect_and_start(client, {L"127.0.0.1", std::to_wstring(port), L"Repeater", L"repeat"})) {
        std::fprintf(stderr, "bench_repeated_welcome: cannot connect to 127.0.0.1:%u\n", port);
        closesocket(listener);
        server.join();
        return 1;
    }
    bench::run_messages_until_disconnected(client, 120);
    server.join();
    closesocket(listener);
    stop_receive_thread(client);

    std::printf("repeated welcome: %d end-of-welcome replies, PING %s\n", repeats,
                figures.ponged ? "answered" : "NOT answered");
    std::printf("repeated welcome: threads %d before and %d after, %d JOIN(s) for one favourite channel\n",
                figures.threads_before, figures.threads_after, figures.joins);
    // Wine counts no GDI objects (it answers 0).
    if (figures.gdi_before || figures.gdi_after)
        std::printf("repeated welcome: GDI objects %lu before and %lu after\n", figures.gdi_before, figures.gdi_after);
    else
        std::printf("repeated welcome: GDI objects not counted by this system\n");
    const bool sound = figures.ponged && figures.joins == 1 && figures.threads_after <= figures.threads_before &&
                       figures.gdi_after <= figures.gdi_before;
    return sound ? 0 : 1;
}
