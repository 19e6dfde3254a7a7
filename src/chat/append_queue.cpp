#include "chat/append_queue.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"

namespace {
// How long the first queued line waits for others before the queue is
// written. Meanwhile the user-interface thread stays free for the user and
// its other messages, and a flood arrives in a few large writes rather than
// one write per line, each costing more than its text. The wait
// is twice the last write's time: a flood's writes take at most about a
// third of the thread, and a quiet chat still shows a line within
// shortest_gather_ms.
constexpr UINT shortest_gather_ms = 10;
constexpr UINT longest_gather_ms = 300;
std::atomic<UINT> gather_ms{shortest_gather_ms};
constexpr UINT_PTR drain_timer_id = 0x7F21;

struct Queue {
    std::mutex lock;
    std::vector<QueuedPiece> pieces;
    bool wake_up_sent = false;
    // The client whose main window the last wake-up went to; its timer dies
    // with the window, so the timer never outlives the client.
    ChatClient* client = nullptr;
    HWND window = nullptr;
};

Queue& queue() {
    static Queue shared;
    return shared;
}

void CALLBACK drain_now(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    ChatClient* client = nullptr;
    {
        Queue& q = queue();
        std::lock_guard<std::mutex> guard(q.lock);
        if (q.window == window) client = q.client;
    }
    if (client) flush_chat_appends(*client);
}
}  // namespace

const LPARAM wake_up_mark = reinterpret_cast<LPARAM>(&queue);

void queue_pieces(ChatClient& client, int slot, unsigned generation, const PendingLine* pieces, size_t count) {
    HWND window = client.main_window;
    bool wake = false;
    {
        Queue& q = queue();
        std::lock_guard<std::mutex> guard(q.lock);
        for (size_t at = 0; at < count; ++at) q.pieces.push_back(QueuedPiece{&client, slot, generation, pieces[at]});
        if (!q.wake_up_sent || q.window != window) wake = true;
        q.wake_up_sent = true;
        q.client = &client;
        q.window = window;
    }
    // Posted, never sent: the receive thread does not wait for the writing.
    if (wake && !PostMessageW(window, msg_run_on_ui_thread, 0, wake_up_mark)) {
        std::lock_guard<std::mutex> guard(queue().lock);
        queue().wake_up_sent = false;
    }
}

std::vector<QueuedPiece> take_queued_pieces() {
    std::vector<QueuedPiece> taken;
    Queue& q = queue();
    std::lock_guard<std::mutex> guard(q.lock);
    taken.swap(q.pieces);
    q.wake_up_sent = false;
    return taken;
}

void schedule_drain() {
    HWND window;
    {
        Queue& q = queue();
        std::lock_guard<std::mutex> guard(q.lock);
        window = q.window;
    }
    if (window) SetTimer(window, drain_timer_id, gather_ms, drain_now);
}

void note_drain_time(double seconds) {
    const double wait = 2 * seconds * 1000;
    gather_ms = static_cast<UINT>(std::clamp(wait, double(shortest_gather_ms), double(longest_gather_ms)));
}
