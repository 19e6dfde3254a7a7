// Quillmere as the client of tools/hostile_server.py, without a person at the
// keyboard: the hidden main window, the connect dialog's connect path and the
// message loop, until the server closes the connection. The server prints how
// fast the lines were read and when the PONG came; this prints what the user
// would have felt meanwhile: the longest the window took to answer, the peak
// memory, and how many message boxes the server made the program ask.
//
//   python3 tools/hostile_server.py --port 6671 &
//   wine64 build/tools/bench/bench_hostile_client.exe 6671 [--limit SECONDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_clock.h"
#include "headless_client.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "support/process_probe.h"

namespace {
int open_chats(ChatClient& client, bool channels) {
    int count = 0;
    for (int slot = channels ? first_channel_slot : first_private_slot;
         slot <= (channels ? last_channel_slot : last_private_slot); ++slot)
        if (client.chats[slot].in_use) ++count;
    return count;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_hostile_client PORT [--limit SECONDS]\n");
        return 2;
    }
    const std::wstring port = std::to_wstring(std::atoi(argv[1]));
    const double limit_s = argc > 3 && std::strcmp(argv[2], "--limit") == 0 ? std::atof(argv[3]) : 0;

    std::unique_ptr<ChatClient> headless = bench::start_headless_client(L"hostile");
    if (!headless) {
        std::fprintf(stderr, "bench_hostile_client: the main window could not be created\n");
        return 1;
    }
    ChatClient& client = *headless;
    const probe::PeakMemory memory_before = probe::peak_memory();
    const double start = now_seconds();
    if (!connect_and_start(client, {L"127.0.0.1", port, L"Hostilebench", L"hostb"})) {
        std::fprintf(stderr, "bench_hostile_client: cannot connect to 127.0.0.1:%ls\n", port.c_str());
        return 1;
    }
    probe::ResponsivenessWatcher watcher(client.main_window);
    const bool closed = bench::run_messages_until_disconnected(client, limit_s);
    watcher.stop();
    const double seconds = now_seconds() - start;
    const probe::PeakMemory memory = probe::peak_memory();

    std::printf("bench_hostile_client: %s after %.1f s\n",
                closed ? "the server closed the connection" : "gave up, still connected,", seconds);
    std::printf("bench_hostile_client: worst window answer %.0f ms over %d probes every 50 ms (%d unanswered "
                "within 10 s)\n",
                watcher.worst_ms(), watcher.probes(), watcher.misses());
    std::printf("bench_hostile_client: peak working set %.0f MB, peak pagefile usage %.0f MB "
                "(%.0f MB and %.0f MB before connecting)\n",
                memory.working_set_mb, memory.pagefile_mb, memory_before.working_set_mb, memory_before.pagefile_mb);
    std::printf("bench_hostile_client: %d message boxes asked, %d private chats and %d channels open\n",
                bench::message_boxes_asked().load(), open_chats(client, false), open_chats(client, true));
    stop_receive_thread(client);
    return closed ? 0 : 1;
}
