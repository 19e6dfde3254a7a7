#include "chat/append_queue.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <array>
#include <iterator>
#include <map>
#include <mutex>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/line_time.h"
#include "chat/ui_thread.h"
#include "net/session.h"

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
    std::deque<QueuedWork> work;
    size_t keep_tasks = 0;  // `keep` tasks among `work`
    DroppedWork dropped;
    bool wake_up_sent = false;
    // The client whose main window the last wake-up went to; its timer dies
    // with the window, so the timer never outlives the client.
    ChatClient* client = nullptr;
    HWND window = nullptr;
    // The window whose drain timer is set: a run asked for again meanwhile
    // keeps the time already set, or a user acting faster than the wait (or
    // a buffer read over and over) would put the run off for good.
    HWND timer_window = nullptr;
    long long ever_queued = 0;
    long long paused_at = 0;  // ever_queued when the receiving side last paused
    // Text queued per client and slot, kept with every change of `work`.
    std::map<const ChatClient*, std::array<long long, chat_slot_count>> text_length;

    void count(const QueuedWork& entry, long long sign) {
        if (entry.task) {
            if (entry.kind == TaskKind::keep) keep_tasks += static_cast<size_t>(sign);
            return;
        }
        if (entry.slot < 0 || entry.slot >= chat_slot_count) return;
        auto& of_client = text_length.try_emplace(entry.client).first->second;
        of_client[entry.slot] += sign * text_length_of(entry.piece);
    }
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
        if (q.timer_window == window) q.timer_window = nullptr;
        if (q.window == window) client = q.client;
    }
    if (client) drain_chat_queue(*client);
}

// Called with the lock held: whether a wake-up must be posted.
bool note_waker(Queue& q, ChatClient& client) {
    HWND window = client.main_window;
    const bool wake = !q.wake_up_sent || q.window != window;
    q.wake_up_sent = true;
    q.client = &client;
    q.window = window;
    return wake;
}

// Called with the lock held after text for the slot's chat was queued. Text
// with a whole scrollback of newer text of its chat behind it is never shown:
// written, it would be cut at once (the writing skips it, chat_append.cpp),
// and held back while the user reads older text, the newer text pushes it out
// as soon as the buffer follows its end again. In a flood it is most of what
// waits: it goes now rather than take memory until the window gets to it.
// Only once half a scrollback more has gathered, so that each pass (a walk
// through the queue) frees much.
void drop_text_pushed_out(Queue& q, ChatClient& client, int slot) {
    const long long keep = scrollback_characters();
    long long& queued = q.text_length[&client][slot];
    if (queued <= keep + keep / 2) return;
    auto of_chat = [&](const QueuedWork& entry) {
        return !entry.task && entry.client == &client && entry.slot == slot && !entry.piece.text.empty();
    };
    // Whole lines only: a nickname never goes without its text.
    long long after = queued, line = 0;
    auto stop = q.work.begin();
    for (auto at = q.work.begin(); at != q.work.end(); ++at) {
        if (!of_chat(*at)) continue;
        line += text_length_of(at->piece);
        if (!at->ends_line) continue;
        if (after - line < keep) break;
        after -= line;
        line = 0;
        stop = at + 1;
    }
    q.work.erase(std::remove_if(q.work.begin(), stop, of_chat), stop);
    queued = after;
}

// Posted, never sent: the caller does not wait for the user-interface thread.
void wake(ChatClient& client) {
    if (!PostMessageW(client.main_window, msg_run_on_ui_thread, ui_message_wake_up, 0)) {
        std::lock_guard<std::mutex> guard(queue().lock);
        queue().wake_up_sent = false;
    }
}
}  // namespace

void queue_pieces(ChatClient& client, int slot, unsigned generation, const PendingLine* pieces, size_t count,
                  bool may_drop) {
    bool must_wake = false;
    const long long line_time = current_line_time();
    const long long arrived = utc_now_ms();
    {
        Queue& q = queue();
        std::lock_guard<std::mutex> guard(q.lock);
        if (may_drop && q.work.size() + count > queued_work_cap) {
            q.dropped.pieces += count;
        } else {
            for (size_t at = 0; at < count; ++at) {
                QueuedWork work;
                work.client = &client;
                work.slot = slot;
                work.generation = generation;
                work.piece = pieces[at];
                if (!work.piece.server_time) work.piece.server_time = line_time;
                if (!work.piece.arrived) work.piece.arrived = arrived;
                work.ends_line = at + 1 == count;
                q.ever_queued += text_length_of(work.piece);
                q.count(work, +1);
                q.work.push_back(std::move(work));
            }
            if (slot >= 0 && slot < chat_slot_count) drop_text_pushed_out(q, client, slot);
        }
        must_wake = note_waker(q, client);
    }
    if (must_wake) wake(client);
}

void queue_task(ChatClient& client, std::function<void()> task, TaskKind kind) {
    bool must_wake = false;
    {
        Queue& q = queue();
        std::lock_guard<std::mutex> guard(q.lock);
        if (kind == TaskKind::droppable && q.work.size() >= queued_work_cap) return;
        // A flood of replies that each leave a task (a listing, a repeated
        // end of the welcome text) must not outgrow the text it crowds out.
        if (kind == TaskKind::keep && q.keep_tasks >= queued_task_cap) {
            ++q.dropped.tasks;
            return;
        }
        QueuedWork work;
        work.client = &client;
        work.slot = -1;
        work.kind = kind;
        work.session = kind == TaskKind::always ? 0 : thread_session();
        work.task = std::move(task);
        q.count(work, +1);
        q.work.push_back(std::move(work));
        must_wake = note_waker(q, client);
    }
    if (must_wake) wake(client);
}

std::vector<QueuedWork> take_queued_work(DroppedWork& dropped, size_t most) {
    std::vector<QueuedWork> taken;
    Queue& q = queue();
    std::lock_guard<std::mutex> guard(q.lock);
    size_t count = std::min(most, q.work.size());
    while (count > 0 && count < q.work.size() && !q.work[count - 1].task && !q.work[count - 1].ends_line) ++count;
    taken.reserve(count);
    std::move(q.work.begin(), q.work.begin() + static_cast<std::ptrdiff_t>(count), std::back_inserter(taken));
    for (const QueuedWork& entry : taken) q.count(entry, -1);
    q.work.erase(q.work.begin(), q.work.begin() + static_cast<std::ptrdiff_t>(count));
    dropped = q.dropped;
    q.dropped = DroppedWork{};
    // Whatever is left is run by the taker; new work after this needs a wake-up.
    if (q.work.empty()) {
        q.wake_up_sent = false;
        q.keep_tasks = 0;
        q.text_length.clear();  // clients come and go (tests make several)
    }
    return taken;
}

size_t queued_work_count() {
    Queue& q = queue();
    std::lock_guard<std::mutex> guard(q.lock);
    return q.work.size();
}

namespace {
constexpr wchar_t cut_text_format[] = L" [%d more characters not shown]";

// Characters of a long piece that are shown, never half of a surrogate pair.
size_t shown_head(const std::wstring& text) {
    return IS_HIGH_SURROGATE(text[shown_text_limit - 1]) ? shown_text_limit - 1 : shown_text_limit;
}
}  // namespace

PendingLine shown_piece(const PendingLine& piece) {
    if (piece.text.size() <= shown_text_limit) return piece;
    const size_t head = shown_head(piece.text);
    return {piece.text.substr(0, head) +
                format_text(cut_text_format, static_cast<long long>(piece.text.size() - head)),
            piece.colour, piece.background, piece.line_break, piece.runs, piece.server_time, piece.arrived};
}

long long text_length_of(const PendingLine& piece) {
    size_t shown = piece.text.size();
    if (shown > shown_text_limit) {
        const size_t head = shown_head(piece.text);
        shown = head + format_text(cut_text_format, static_cast<long long>(shown - head)).size();
    }
    // The time in front of a line is counted with the piece that ends it.
    return static_cast<long long>(shown) + (piece.line_break ? 1 + line_time_width() : 0);
}

long long text_ever_queued() {
    Queue& q = queue();
    std::lock_guard<std::mutex> guard(q.lock);
    return q.ever_queued;
}

void note_receiving_paused(ChatClient& client) {
    Queue& q = queue();
    {
        std::lock_guard<std::mutex> guard(q.lock);
        // Less than a flood since the last pause: no hold to end.
        const bool flood = q.ever_queued - q.paused_at >= flood_text;
        q.paused_at = q.ever_queued;
        if (!flood || !q.timer_window) return;
    }
    PostMessageW(client.main_window, msg_run_on_ui_thread, ui_message_receiving_paused, 0);
}

bool receiving_paused_at(long long ever) {
    Queue& q = queue();
    std::lock_guard<std::mutex> guard(q.lock);
    return q.paused_at == ever;
}

void drain_held_flood_now() {
    if (!holding_for_flood()) return;
    Queue& q = queue();
    ChatClient* client = nullptr;
    HWND window = nullptr;
    {
        std::lock_guard<std::mutex> guard(q.lock);
        window = q.timer_window;
        client = q.client;
        if (!window || q.window != window) return;
        q.timer_window = nullptr;
    }
    KillTimer(window, drain_timer_id);
    drain_chat_queue(*client);
}

long long queued_text_length(const ChatClient& client, int slot) {
    if (slot < 0 || slot >= chat_slot_count) return 0;
    Queue& q = queue();
    std::lock_guard<std::mutex> guard(q.lock);
    auto found = q.text_length.find(&client);
    return found == q.text_length.end() ? 0 : found->second[slot];
}

void requeue_at_front(std::vector<QueuedWork> work) {
    Queue& q = queue();
    std::lock_guard<std::mutex> guard(q.lock);
    for (const QueuedWork& entry : work) q.count(entry, +1);
    q.work.insert(q.work.begin(), std::make_move_iterator(work.begin()), std::make_move_iterator(work.end()));
    q.wake_up_sent = true;  // the taker schedules the next run
}

void drop_queued_text(const ChatClient& client, int slot, unsigned generation) {
    Queue& q = queue();
    std::lock_guard<std::mutex> guard(q.lock);
    auto of_chat = [&](const QueuedWork& entry) {
        return !entry.task && entry.client == &client && entry.slot == slot && entry.generation == generation;
    };
    for (const QueuedWork& entry : q.work)
        if (of_chat(entry)) q.count(entry, -1);
    q.work.erase(std::remove_if(q.work.begin(), q.work.end(), of_chat), q.work.end());
    // As after a take that empties the queue: new work needs a wake-up.
    if (q.work.empty()) {
        q.wake_up_sent = false;
        q.keep_tasks = 0;
        q.text_length.clear();
    }
}

long long largest_queued_text(const ChatClient& client) {
    Queue& q = queue();
    std::lock_guard<std::mutex> guard(q.lock);
    auto found = q.text_length.find(&client);
    if (found == q.text_length.end()) return 0;
    return *std::max_element(found->second.begin(), found->second.end());
}

void schedule_drain(UINT at_least_ms) {
    Queue& q = queue();
    HWND window;
    {
        std::lock_guard<std::mutex> guard(q.lock);
        window = q.window;
        if (!window || q.timer_window == window) return;
        q.timer_window = window;
    }
    // With no input waiting the next run may follow at once: the wait is there
    // so that the user's clicks and keys get their turn, and a timer's message
    // comes after every input and paint anyway.
    const UINT wait = std::max(HIWORD(GetQueueStatus(QS_INPUT)) ? gather_ms.load() : shortest_gather_ms, at_least_ms);
    if (SetTimer(window, drain_timer_id, wait, drain_now)) return;
    std::lock_guard<std::mutex> guard(q.lock);
    if (q.timer_window == window) q.timer_window = nullptr;
}

void cancel_idle_drain() {
    Queue& q = queue();
    std::lock_guard<std::mutex> guard(q.lock);
    if (!q.work.empty() || !q.timer_window) return;
    KillTimer(q.timer_window, drain_timer_id);
    q.timer_window = nullptr;
}

void note_drain_time(double seconds) {
    const double wait = 2 * seconds * 1000;
    gather_ms = static_cast<UINT>(std::clamp(wait, double(shortest_gather_ms), double(longest_gather_ms)));
}
