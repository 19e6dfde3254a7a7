// A burst of link lines in a channel whose links are processed, as a server
// (or a member of the channel) can send at any time: each line goes through
// the dispatcher on a thread of its own, as the receive thread would hand it
// on; the hidden main window runs its message loop meanwhile. The shell is
// replaced by a counting opener that takes as long as a shell call is given
// (--shell-ms); another thread posts the window a message every 20 ms and the
// loop times how long each waited to be handled.
//
//   wine64 build/tools/bench/bench_link_burst.exe [--links 100] [--shell-ms 40] [--settle 4]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "chat/append_queue.h"
#include "chat/chat_tabs.h"
#include "headless_client.h"
#include "irc/irc_line.h"
#include "links/open_link.h"

namespace {
constexpr UINT probe_message = WM_APP + 0x51;
constexpr DWORD probe_interval_ms = 20;
constexpr int probe_capacity = 100000;

std::atomic<int> links_opened{0};
std::atomic<int> shell_cost_ms{40};

// Stands in for ShellExecuteExW: counts, and takes the time a shell call takes.
void counting_opener(const std::wstring&, int) {
    ++links_opened;
    if (shell_cost_ms > 0) Sleep(shell_cost_ms);
}

// Posts the probes; each carries its number, the time it left is kept here.
class Prober {
public:
    explicit Prober(HWND window) : sent_(probe_capacity), thread_([this, window] { run(window); }) {}
    ~Prober() { stop(); }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // On the window's thread, for a probe taken off the queue.
    void answered(WPARAM number) {
        if (number >= sent_.size()) return;
        const double waited = (now_seconds() - sent_[number].load()) * 1000;
        worst_ms_ = std::max(worst_ms_, waited);
        ++answered_;
    }
    double worst_ms() const { return worst_ms_; }
    int answered_count() const { return answered_; }
    int sent_count() const { return count_; }

private:
    void run(HWND window) {
        while (!stop_ && count_ < probe_capacity) {
            sent_[count_] = now_seconds();
            if (PostMessageW(window, probe_message, count_, 0)) ++count_;
            Sleep(probe_interval_ms);
        }
    }
    std::vector<std::atomic<double>> sent_;
    std::atomic<bool> stop_{false};
    std::atomic<int> count_{0};
    double worst_ms_ = 0;
    int answered_ = 0;
    std::thread thread_;
};

// Runs the window's messages for `seconds`, handing the probes to the prober.
void run_messages(Prober& prober, double seconds) {
    const double end = now_seconds() + seconds;
    while (now_seconds() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == probe_message) {
                prober.answered(msg.wParam);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

int option(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
    return fallback;
}
}  // namespace

int main(int argc, char** argv) {
    const int links = option(argc, argv, "--links", 100);
    shell_cost_ms = option(argc, argv, "--shell-ms", 40);
    const int settle_s = option(argc, argv, "--settle", 4);

    std::unique_ptr<ChatClient> headless = bench::start_headless_client(L"linkburst");
    if (!headless) {
        std::fprintf(stderr, "bench_link_burst: the main window could not be created\n");
        return 1;
    }
    ChatClient& client = *headless;
    client.connection.nickname = L"Linkbench";
    // The defaults of a fresh installation: images are opened in the browser.
    client.enable_http_open = true;
    client.enable_https_only = true;
    client.enable_http_prc_images = true;
    const wchar_t channel[] = L"#links";
    const int slot = create_chat(client, channel, true);
    if (slot <= 0) {
        std::fprintf(stderr, "bench_link_burst: the channel could not be opened\n");
        return 1;
    }
    client.chats[slot].process_links = true;
    set_link_opener(counting_opener);

    Prober prober(client.main_window);
    run_messages(prober, 0.5);  // the window's answers before the burst, for comparison
    const double before_ms = prober.worst_ms();

    std::atomic<bool> fed{false};
    std::thread receive([&] {
        for (int n = 0; n < links; ++n) {
            const std::wstring line = format_text(L":member%d!user@example.org PRIVMSG %s :look https://example.org/pictures/cat%d.png",
                                                  n % 7, channel, n);
            dispatch_line(client, line);
        }
        fed = true;
    });
    const double start = now_seconds();
    while (!fed) run_messages(prober, 0.05);
    receive.join();
    // What was queued is written and opened meanwhile; a notice may follow.
    run_messages(prober, settle_s);
    const double seconds = now_seconds() - start;
    prober.stop();

    std::printf("link burst: %d links, %d opened, slowest window answer %.0f ms\n", links, links_opened.load(),
                prober.worst_ms());
    std::printf("bench_link_burst: %.1f s observed, %d of %d probes answered every %lu ms, %.0f ms before the "
                "burst, each opening taking %d ms, %zu pieces of work still queued\n",
                seconds, prober.answered_count(), prober.sent_count(), probe_interval_ms, before_ms,
                shell_cost_ms.load(), queued_work_count());
    set_link_opener(nullptr);
    // At most a few openings per burst, and a window that kept answering.
    return links_opened <= 3 && prober.worst_ms() < 2000 ? 0 : 1;
}
