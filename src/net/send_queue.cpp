#include "net/send_queue.h"

#include <chrono>

namespace {
std::atomic<bool> paced{true};

uint64_t now_ms() {
    return GetTickCount64();
}
}  // namespace

namespace {
uint64_t line_cost(size_t bytes) {
    return send_pacing::line_cost_ms + bytes * 1000 / send_pacing::bytes_per_second;
}
}  // namespace

uint64_t SendPacing::wait_ms(uint64_t now, size_t bytes, SendPriority kind) const {
    constexpr uint64_t ordinary_room = send_pacing::allowance_ms - send_pacing::transit_margin_ms;
    const uint64_t room = kind == SendPriority::ahead   ? send_pacing::allowance_ms
                          : kind == SendPriority::spare ? ordinary_room / 2
                                                        : ordinary_room;
    // A line that alone costs more than the room (a long raw line) waits
    // until the clock has caught up with now: sooner never fits.
    const uint64_t cost = line_cost(bytes) < room ? line_cost(bytes) : room;
    const uint64_t after = (clock_ms_ > now ? clock_ms_ : now) + cost;
    return after > now + room ? after - now - room : 0;
}

void SendPacing::charge(uint64_t now, size_t bytes) {
    if (clock_ms_ < now) clock_ms_ = now;
    clock_ms_ += line_cost(bytes);
}

void SendQueue::set_paced(bool on) {
    paced = on;
}

void SendQueue::push(std::string bytes, SendPriority priority) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (stopped_) return;
        if (priority == SendPriority::ahead || priority == SendPriority::last) {
            urgent_.push_back({std::move(bytes), priority == SendPriority::ahead});
            ++urgent_queued_;
        } else {
            (priority == SendPriority::spare ? spare_ : lines_).push_back(std::move(bytes));
        }
    }
    changed_.notify_all();
}

bool SendQueue::take(std::string& bytes, DWORD step_ms) {
    std::unique_lock<std::mutex> guard(lock_);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(step_ms);
    for (;;) {
        if (stopped_) return false;
        const uint64_t now = now_ms();
        const bool unpaced = !paced || (!urgent_.empty() && !urgent_.front().paced);
        const SendPriority kind = !urgent_.empty() ? SendPriority::ahead
                                  : !lines_.empty() ? SendPriority::normal
                                                    : SendPriority::spare;
        std::string* next = kind == SendPriority::ahead    ? &urgent_.front().bytes
                            : kind == SendPriority::normal ? &lines_.front()
                            : !spare_.empty()              ? &spare_.front()
                                                           : nullptr;
        const uint64_t wait = unpaced || !next ? 0 : pacing_.wait_ms(now, next->size(), kind);
        if (next && wait == 0) {
            taking_urgent_ = kind == SendPriority::ahead;
            bytes.swap(*next);
            if (kind == SendPriority::ahead) urgent_.pop_front();
            else (kind == SendPriority::normal ? lines_ : spare_).pop_front();
            pacing_.charge(now, bytes.size());
            return true;
        }
        const auto left = until - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) return false;
        const auto pace = std::chrono::milliseconds(wait ? wait : step_ms);
        changed_.wait_for(guard, pace < left ? pace : left);
    }
}

void SendQueue::taken_done() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!taking_urgent_) return;
        taking_urgent_ = false;
        ++urgent_sent_;
    }
    changed_.notify_all();
}

void SendQueue::stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopped_ = true;
    }
    changed_.notify_all();
}

size_t SendQueue::waiting() const {
    std::lock_guard<std::mutex> guard(lock_);
    return urgent_.size() + lines_.size() + spare_.size();
}

bool SendQueue::can_spare_line() const {
    std::lock_guard<std::mutex> guard(lock_);
    constexpr uint64_t half_room = (send_pacing::allowance_ms - send_pacing::transit_margin_ms) / 2;
    return urgent_.empty() && lines_.empty() && spare_.empty() && (!paced || pacing_.ahead_ms(now_ms()) <= half_room);
}

bool SendQueue::wait_urgent_sent(DWORD timeout_ms) {
    std::unique_lock<std::mutex> guard(lock_);
    const unsigned target = urgent_queued_;
    return changed_.wait_for(guard, std::chrono::milliseconds(timeout_ms),
                             [&] { return stopped_ || urgent_sent_ >= target; }) &&
           urgent_sent_ >= target;
}
