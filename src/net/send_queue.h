#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

// The penalty model servers use against floods: each line pushes a clock
// ahead by a fixed cost plus one for its length, the clock never lags behind
// the present, and a client whose clock runs too far ahead is cut off ("Excess
// Flood"). A strict server judges the clock with the line it has just counted,
// so a line waits until the clock stays within the allowance after it.
namespace send_pacing {
constexpr uint64_t line_cost_ms = 2000;
constexpr uint64_t bytes_per_second = 120;
constexpr uint64_t allowance_ms = 10000;
// A line held up on the way arrives closer to the next one than it left, and
// the server's clock runs that much further ahead than ours: a second of room.
constexpr uint64_t transit_margin_ms = 1000;
}  // namespace send_pacing

// Where a line joins the queue: at its end; ahead of the rest, still paced
// (PONG: a reply that tipped the server's clock over would cost the
// connection); ahead and unpaced (QUIT, the last line); or behind everything,
// going only while half the room is free (a query the program makes of its
// own accord, such as a channel's modes on joining: it never holds up the
// user's lines or the answer to a PING).
enum class SendPriority { normal, ahead, last, spare };

class SendPacing {
public:
    // How long a line of `bytes` bytes (CR LF included), queued as `kind`,
    // must wait at `now_ms` before it may go (0: now). A PONG may use the
    // transit margin too: ordinary lines leave it free so that the answer to
    // the server's PING, by which servers and users judge lag, does not wait
    // behind the lines before it.
    uint64_t wait_ms(uint64_t now_ms, size_t bytes, SendPriority kind = SendPriority::normal) const;
    // A line of `bytes` bytes (its CR LF included) leaves at `now_ms`.
    void charge(uint64_t now_ms, size_t bytes);
    // How far the clock runs ahead of `now_ms`.
    uint64_t ahead_ms(uint64_t now_ms) const { return clock_ms_ > now_ms ? clock_ms_ - now_ms : 0; }

private:
    uint64_t clock_ms_ = 0;
};

// The lines waiting to be sent on one connection, in order, with the answers
// that cannot wait (PONG, QUIT) ahead of the rest. Any thread queues a line and
// returns at once; one writer takes them out, paced (SendPacing).
class SendQueue {
public:
    // `bytes` is the whole line, CR LF included.
    void push(std::string bytes, SendPriority priority);

    // Writer: waits up to `step_ms` for a line that may go now; true with the
    // line in `bytes` (charged to the pace). False when none is due yet or the
    // queue was stopped.
    bool take(std::string& bytes, DWORD step_ms);

    // Writer: the line taken last has left (or could not be sent).
    void taken_done();

    // Nothing more is taken out; a waiting writer wakes.
    void stop();
    bool stopped() const { return stopped_; }

    // Lines not yet taken out.
    size_t waiting() const;

    // True when nothing waits and the pace keeps at least half its room free:
    // a line nobody typed (an automatic answer) may then go without holding
    // up the user's own lines.
    bool can_spare_line() const;

    // Waits up to `timeout_ms` until every urgent line queued so far has left
    // (or the queue stopped). True when they have.
    bool wait_urgent_sent(DWORD timeout_ms);

    // Tests: lines go as fast as the socket takes them.
    static void set_paced(bool paced);

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    struct Urgent {
        std::string bytes;
        bool paced;
    };
    std::deque<Urgent> urgent_;
    std::deque<std::string> lines_;
    std::deque<std::string> spare_;
    SendPacing pacing_;
    unsigned urgent_queued_ = 0;  // urgent lines ever queued
    unsigned urgent_sent_ = 0;    // ... and gone
    bool taking_urgent_ = false;
    std::atomic<bool> stopped_{false};
};
