// Running the hand-over queue on the user-interface thread (see chat_tabs.cpp
// for the threading design). The timer runs all of it in order, a slice at a
// time. A user's action runs what it needs first, within a budget, and leaves
// the rest to the timer: the tasks (a chat's windows, its closing) and the
// text of the chat it concerns. Other chats' text waits: written into a full
// buffer it costs far more than its length says (the oldest lines are cut).

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/append_queue.h"
#include "chat/buffer_carry.h"
#include "chat/chat_batches.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/queue_stats.h"
#include "chat/rich_write.h"
#include "chat/ui_thread.h"
#include "controls/buffer_edit.h"
#include "net/session.h"

namespace {
// What a user's action waits for the queue at most, clock and text together.
constexpr double user_action_seconds = 0.1;

// Text a time-limited run puts into its writes at most: the control takes a
// batch in one call that no clock can interrupt, about a million characters
// a second under Wine on an idle machine, and far less into a full buffer,
// whose oldest lines it cuts first (chat_batches.h counts that text more).
// The timer's share follows what its last runs managed within a slice (a busy
// machine writes slower), between these bounds.
constexpr long long slice_text_floor = 2000;
constexpr long long slice_text_ceiling = 40000;
long long slice_text_budget = slice_text_ceiling;  // user-interface thread
constexpr long long user_action_text_budget = 10000;

// The next timer run's share of text, from what this one wrote in how long.
void note_slice_speed(long long text, double seconds) {
    if (text <= 0 || seconds <= 0) return;
    const double fits = static_cast<double>(text) * drain_slice_seconds / seconds;
    const double next = (static_cast<double>(slice_text_budget) + fits) / 2;
    slice_text_budget = static_cast<long long>(
        std::clamp(next, static_cast<double>(slice_text_floor), static_cast<double>(slice_text_ceiling)));
}

// A flood: flood_text or more waiting for one chat, and more come each time
// the timer looks, until the receiving side has read all of it (counted as it
// comes: the queue of a flood stays about as long,
// its oldest text leaving as newer comes, and a hold that looked at its
// length alone ended at every such drop, writing into fresh controls that the
// next slice threw away). Written as it comes, nearly every line would go into a full buffer
// whose oldest lines the control cuts at a cost that grows with every line
// left behind, only to be cut again moments later. The timer holds off
// instead, up to longest_hold_seconds at a time, while the text grows: once a
// whole scrollback of newer text waits behind a line, that line is skipped,
// and what is left goes into a fresh control; so a flood costs a slice of
// writing every half second, and once it stops the timer writes the rest
// without a pause. A user's action writes its chat's text at once, unless
// more of it waits than the action may write while the timer holds a flood
// (run_queue).
constexpr double longest_hold_seconds = 0.5;
constexpr UINT hold_wait_ms = 50;
long long flood_text_seen = 0;  // text ever queued at the last look or run; user-interface thread
double holding_since = -1;

bool hold_for_flood(ChatClient& client) {
    const long long waiting = largest_queued_text(client);
    const long long ever = text_ever_queued();
    // Still coming: more since the last look, and the receiving side has not
    // read all of it (a flood's end is seen at once, not at the next look).
    const bool growing = ever > flood_text_seen && !receiving_paused_at(ever);
    flood_text_seen = ever;
    const double now = queue_clock();
    if (!growing || waiting < flood_text) {
        if (holding_since >= 0) note_hold(now - holding_since);
        holding_since = -1;
        return false;
    }
    if (holding_since < 0) holding_since = now;
    if (now - holding_since < longest_hold_seconds) return true;
    note_hold(now - holding_since);
    holding_since = -1;  // the text written now; a flood still coming is held again
    return false;
}

}  // namespace

bool holding_for_flood() {
    return holding_since >= 0;
}

namespace {
// How much a run takes from the queue at once.
constexpr size_t queue_chunk = 4096;

// Stands for "every chat" where a run names the chat it serves.
constexpr int every_chat = -2;

constexpr const wchar_t* dropped_lines_format =
    L"%d pieces of text were not shown: they came faster than the window could show them.";
constexpr const wchar_t* dropped_tasks_format =
    L"%d replies of the server were not acted on: they came faster than the window could take them.";

// One run of the queue. Work it leaves (the text of chats it does not serve,
// or everything once its time is up) goes back to the front of the queue in
// its order.
struct Run {
    ChatClient& client;
    const int wanted;  // the chat a user's action reads, -1 none, or every_chat
    const double limit;
    const long long text_budget;
    const double start = queue_clock();
    Batches batches;
    std::vector<QueuedWork> kept;
    size_t done = 0;
    // The task running now, inside the chunk the run took; a modal loop it
    // runs (a dialog, a box) dispatches the timer, whose run takes over.
    std::vector<QueuedWork>* chunk = nullptr;
    size_t task_at = 0;
    int task_depth = -1;  // writing_depth around the task; -1 when none runs
    bool handed_over = false;

    Run(ChatClient& client, int wanted, double limit, long long text_budget)
        : client(client), wanted(wanted), limit(limit), text_budget(text_budget) {}

    // Whether this run writes a piece of the slot's chat now.
    bool writes(int slot) const { return wanted == every_chat || slot == wanted; }
    // Checked before each piece of work (a task, a piece written) but the
    // first, so that every run gets somewhere. Leaving a piece for later is
    // no work: a user's action still reaches the tasks behind a flood.
    bool out_of_time() const {
        if (limit <= 0 || done == 0) return false;
        return batches.text_taken > text_budget || queue_clock() - start > limit;
    }
    void keep(int slot, const PendingLine& piece, bool ends_line = true) {
        QueuedWork work;
        work.client = &client;
        work.slot = slot;
        work.generation = client.chats[slot].generation;
        work.piece = piece;
        work.ends_line = ends_line;
        kept.push_back(std::move(work));
    }
    void place(int slot, const PendingLine& piece) {
        if (writes(slot))
            append_piece(client, slot, piece, batches);
        else
            keep(slot, piece);
    }
    void note_dropped(const DroppedWork& dropped) {
        if (dropped.pieces)
            place(0, {format_text(dropped_lines_format, static_cast<long long>(dropped.pieces)), colour_error_text,
                      colour_error_back, true});
        if (dropped.tasks)
            place(0, {format_text(dropped_tasks_format, static_cast<long long>(dropped.tasks)), colour_error_text,
                      colour_error_back, true});
    }
    // The pieces of the user-interface thread's own line, made by a task of
    // this run: in their place in the order.
    void place_own(int slot, const PendingLine* pieces, size_t count) {
        if (!writes(slot)) {
            for (size_t at = 0; at < count; ++at) keep(slot, pieces[at], at + 1 == count);
            return;
        }
        // Written at once, as the task may read the buffer next; the text
        // queued before the task is written already.
        Writing writing;
        Batches own;
        for (size_t at = 0; at < count; ++at) append_piece(client, slot, pieces[at], own);
        own.write_all();
    }

    bool go();

    // A timer run inside a task of this one: whether it may take over.
    bool may_hand_over(const ChatClient& other) const {
        return &other == &client && task_depth >= 0 && task_depth == writing_depth && !handed_over;
    }
    // Puts everything this run holds back in front of the queue, in order,
    // for the run that takes over; this run stops after its task.
    void hand_over() {
        std::move(chunk->begin() + static_cast<std::ptrdiff_t>(task_at) + 1, chunk->end(), std::back_inserter(kept));
        chunk->erase(chunk->begin() + static_cast<std::ptrdiff_t>(task_at) + 1, chunk->end());
        requeue_at_front(std::move(kept));
        kept.clear();
        handed_over = true;
    }
};

// Characters of text after the line of each piece in its chat: later lines
// of this chunk, then whatever is still queued. The pieces of a line share
// it, so they are skipped together (a chunk holds whole lines).
std::vector<long long> text_after(const ChatClient& client, const std::vector<QueuedWork>& work) {
    std::vector<long long> after(work.size());
    long long later[chat_slot_count], after_line[chat_slot_count];
    for (int slot = 0; slot < chat_slot_count; ++slot)
        after_line[slot] = later[slot] = queued_text_length(client, slot);
    for (size_t back = work.size(); back-- > 0;) {
        const QueuedWork& queued = work[back];
        if (queued.task || queued.slot < 0 || queued.slot >= chat_slot_count) continue;
        if (queued.ends_line) after_line[queued.slot] = later[queued.slot];
        after[back] = after_line[queued.slot];
        later[queued.slot] += text_length_of(queued.piece);
    }
    return after;
}

// Runs the queue in order: the text for each chat goes out as one write, and a
// task runs after the text queued before it is written. False when its time
// ran out before the end.
bool Run::go() {
    // What is queued now, not what a flood adds meanwhile: a run always ends.
    size_t left = queued_work_count();
    for (;;) {
        DroppedWork dropped;
        // Taken a chunk at a time: the queue's lock is never held for long,
        // and what a time limit leaves over goes back cheaply.
        std::vector<QueuedWork> work = take_queued_work(dropped, std::min(left, queue_chunk));
        left -= std::min(left, work.size());  // a line past the chunk comes whole
        note_dropped(dropped);
        if (work.empty()) return true;
        const std::vector<long long> after = text_after(client, work);
        size_t at = 0;
        // A line's pieces are written or left together: time is looked at
        // between lines only.
        bool mid_line = false;
        for (; at < work.size(); ++at) {
            QueuedWork& queued = work[at];
            const bool line_start = !mid_line;
            mid_line = !queued.task && !queued.ends_line;
            if (queued.client != &client) continue;  // a client gone meanwhile (tests make several)
            if (queued.task) {
                // Only tasks act for a connection: text already received is shown.
                if (session_is_replaced(queued.session)) continue;
                if (out_of_time()) break;
                ++done;
                batches.write_all();
                chunk = &work;
                task_at = at;
                task_depth = writing_depth;
                queued.task();
                task_depth = -1;
                if (handed_over) return false;
                continue;
            }
            if (queued.generation != client.chats[queued.slot].generation) continue;  // closed, slot reused
            if (!writes(queued.slot)) {
                kept.push_back(std::move(queued));
                continue;
            }
            if (line_start && out_of_time()) break;
            ++done;
            append_piece(client, queued.slot, queued.piece, batches, after[at]);
        }
        if (at < work.size()) {
            std::move(work.begin() + static_cast<std::ptrdiff_t>(at), work.end(), std::back_inserter(kept));
            return false;
        }
        if (left == 0) return true;
    }
}

// The run in progress on this thread: the user-interface thread's own appends
// made by its tasks take their place in it.
thread_local Run* active_run = nullptr;

// One action of the user may run the queue several times (a command, then the
// chat it closes or the line it writes). Once a run has used up the budget,
// the others until this time leave their work to the timer at once, so that
// the action as a whole waits about one budget. User-interface thread.
double user_runs_resume_at = 0;

double performance_clock() {
    static const double frequency = [] {
        LARGE_INTEGER counts;
        QueryPerformanceFrequency(&counts);
        return static_cast<double>(counts.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}
std::atomic<double (*)()> clock_in_use{performance_clock};

bool run_queue(ChatClient& client, int wanted, double limit, long long text_budget);

// A timer run inside a task that runs a modal loop (a dialog; boxes are
// posted, chat/ui_post.h): the outer run hands its work back to the queue
// and this one goes on with it, so that the chats are written meanwhile.
void take_over_from(Run& outer, double limit, long long text_budget) {
    outer.hand_over();
    const int depth = writing_depth;
    active_run = nullptr;
    writing_depth = 0;
    run_queue(outer.client, every_chat, limit, text_budget);
    writing_depth = depth;
    active_run = &outer;
}

// False when the run stopped before the end of what was queued.
bool run_queue(ChatClient& client, int wanted, double limit, long long text_budget) {
    const bool for_user = wanted != every_chat;
    if (!on_ui_thread(client)) return true;
    if (active_run || writing_depth > 0) {
        const bool timer = !for_user && limit > 0;
        if (timer && active_run && active_run->may_hand_over(client)) {
            take_over_from(*active_run, limit, text_budget);
            return false;
        }
        // Inside a run (a task that reads a buffer or hands over work
        // itself) or inside the writing code, the outer run goes on in
        // order. A timer run that finds it so comes back: the queue never
        // waits for its next wake-up.
        if (timer) schedule_drain(hold_wait_ms);
        return true;
    }
    if (for_user && queue_clock() < user_runs_resume_at) {
        if (queued_work_count() == 0) return true;
        schedule_drain();
        return false;
    }
    // A flood the timer holds off is not written for a user's action either
    // (a read of the buffer, a line of the user's own): its budget would put
    // the flood's oldest waiting lines into a fresh control, thrown away when
    // the flood's next text comes, and take that time from the receiving.
    // The action's tasks still run; its own line waits behind the flood.
    const bool flood_held_off = for_user && wanted >= 0 && holding_since >= 0 &&
                                queued_text_length(client, wanted) > text_budget;
    // A buffer being carried over to a fresh control gets its share of each
    // slice first, held off or not; writing out everything finishes it.
    long long carried = 0;
    const double carry_start = queue_clock();
    if (!for_user && limit > 0)
        carried = advance_carries(client, queued_work_count() > 0 ? text_budget / 2 : text_budget);
    const double carry_seconds = queue_clock() - carry_start;
    if (!for_user && limit > 0 && hold_for_flood(client)) {
        note_hold(0);
        if (queue_stats_on()) {
            RunFigures held;
            held.kind = "held";
            held.start = queue_clock();
            held.queued = queued_work_count();
            note_run(held);
        }
        schedule_drain(hold_wait_ms);
        return false;
    }
    // Set before anything runs: a task that runs a modal loop finds the
    // timer set, and the queue goes on inside it.
    if (queued_work_count() > 0) schedule_drain();
    Run run(client, flood_held_off ? -1 : wanted, limit, std::max(text_budget - carried, slice_text_floor));
    bool finished = false, wrote = false;
    double writes_from = 0;
    size_t kept = 0;
    {
        active_run = &run;
        Writing writing;
        finished = run.go();
        wrote = run.batches.any();
        writes_from = queue_clock();
        run.batches.write_all();
        if (!for_user && limit <= 0) advance_carries(client, 0);
        active_run = nullptr;
        kept = run.kept.size();
    }
    if (!run.kept.empty()) requeue_at_front(std::move(run.kept));
    const size_t queued = queued_work_count();
    {
        RunFigures figures;
        figures.kind = for_user ? "user" : "timer";
        figures.start = run.start;
        const double end = queue_clock();
        figures.seconds = end - run.start;
        figures.writing = end - writes_from;
        figures.pieces = run.batches.pieces_taken;
        figures.skipped = run.batches.pieces_skipped;
        figures.text = run.batches.text_taken;
        figures.kept = kept;
        figures.queued = queued;
        figures.carried = carried;
        figures.carry_seconds = carry_seconds;
        note_run(figures);
        if (queued == 0 && (wrote || carried > 0) && !carries_under_way(client) && queue_stats_on()) {
            long long chat_text = 0;
            for (const ChatRecord& chat : client.chats)
                if (chat.in_use && chat.buffer) chat_text += buffer_text_length(chat.buffer->window);
            note_queue_empty(chat_text);
        }
    }
    // A flood grows from what this run left.
    flood_text_seen = text_ever_queued();
    if (for_user && !finished) user_runs_resume_at = queue_clock() + user_action_seconds;
    if (wrote && !for_user) {
        const double took = queue_clock() - run.start;
        note_drain_time(took);
        note_slice_speed(run.batches.text_taken, took);
    }
    // New work that came meanwhile found a wake-up on its way: this run was it.
    if (queued_work_count() > 0 || carries_under_way(client))
        schedule_drain();
    else
        cancel_idle_drain();
    return finished && !flood_held_off;
}
}  // namespace

void append_pieces(ChatClient& client, int slot, const unsigned* generation, const PendingLine* pieces,
                   size_t count) {
    if (slot < 0 || slot >= chat_slot_count) return;
    const unsigned now = client.chats[slot].generation;
    if (!on_ui_thread(client)) {
        queue_pieces(client, slot, generation ? *generation : now, pieces, count);
        return;
    }
    if (generation && *generation != now) return;  // closed since, slot reused
    if (active_run && &active_run->client == &client) {
        active_run->place_own(slot, pieces, count);
        return;
    }
    // Lines queued earlier by other threads for this chat go first. When
    // they take longer than a user may wait, this line waits behind them.
    if (writing_depth == 0 && !run_queue(client, slot, user_action_seconds, user_action_text_budget)) {
        queue_pieces(client, slot, now, pieces, count, false);
        return;
    }
    Writing writing;
    Batches batches;
    for (size_t at = 0; at < count; ++at) append_piece(client, slot, pieces[at], batches);
    batches.write_all();
}

bool flush_chat_appends(ChatClient& client, int slot) {
    return run_queue(client, slot >= 0 && slot < chat_slot_count ? slot : -1, user_action_seconds,
                     user_action_text_budget);
}

void drain_chat_queue(ChatClient& client) {
    run_queue(client, every_chat, drain_slice_seconds, slice_text_budget);
}

void write_out_queue(ChatClient& client) {
    run_queue(client, every_chat, 0, 0);
}

double queue_clock() {
    return clock_in_use.load()();
}

void set_queue_clock(double (*clock)()) {
    clock_in_use = clock ? clock : performance_clock;
    user_runs_resume_at = 0;  // a time of the clock replaced
    slice_text_budget = slice_text_ceiling;
    holding_since = -1;
}
