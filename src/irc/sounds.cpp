#include "irc/sounds.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "irc/speaker.h"

namespace {
struct Tune {
    Tone tones[tune_tone_limit] = {};
    size_t count = 0;
};

enum class PlayerState { absent, running, stopping };

// Two tune slots and nothing else, so the memory stays the same whatever the
// rate of requests. A newer tune replaces the waiting one rather than being
// dropped: after a burst the user hears the latest event (being kicked after a
// flood of mentions, say), not the first of the burst.
struct Player {
    std::mutex lock;
    std::condition_variable changed;
    std::thread thread;
    PlayerState state = PlayerState::absent;
    // A tune counts as playing from the moment it is handed over, before the
    // thread wakes for it; so a second request while the player was idle
    // always waits rather than replacing the first.
    bool busy = false;
    Tune playing;
    bool has_waiting = false;
    Tune waiting;
};

// Never freed: any thread may play up to the end of the process, and a
// destroyed std::thread that was never joined would end the process at exit.
Player& player() {
    static Player* const the_player = new Player;
    return *the_player;
}

void run_player(Player& p) {
    std::unique_lock<std::mutex> hold(p.lock);
    for (;;) {
        p.changed.wait(hold, [&] { return p.state == PlayerState::stopping || p.busy; });
        if (p.state == PlayerState::stopping) break;
        const Tune tune = p.playing;
        for (size_t i = 0; i < tune.count && p.state != PlayerState::stopping; ++i) {
            hold.unlock();
            sound_tone(tune.tones[i]);
            hold.lock();
        }
        p.busy = p.has_waiting;
        if (p.has_waiting) p.playing = p.waiting;
        p.has_waiting = false;
        p.changed.notify_all();
    }
    p.busy = false;
    p.has_waiting = false;
    p.changed.notify_all();
}
}  // namespace

void play_tones(const Tone* tones, size_t count) {
    if (count == 0) return;
    Tune tune;
    tune.count = std::min(count, tune_tone_limit);
    std::copy(tones, tones + tune.count, tune.tones);

    Player& p = player();
    std::lock_guard<std::mutex> hold(p.lock);
    if (p.state == PlayerState::stopping) return;  // shutting down: silence is fine
    if (p.state == PlayerState::absent) {
        try {
            p.thread = std::thread(run_player, std::ref(p));
        } catch (const std::system_error&) {
            return;  // no thread, no sound; the chat goes on
        }
        p.state = PlayerState::running;
    }
    if (!p.busy) {
        p.playing = tune;
        p.busy = true;
    } else {
        p.waiting = tune;
        p.has_waiting = true;
    }
    p.changed.notify_all();
}

void wait_for_sounds() {
    Player& p = player();
    std::unique_lock<std::mutex> hold(p.lock);
    p.changed.wait(hold, [&] { return !p.busy; });
}

void stop_sounds() {
    Player& p = player();
    std::unique_lock<std::mutex> hold(p.lock);
    if (p.state == PlayerState::stopping) {
        // Another thread is joining the player; return once it has.
        p.changed.wait(hold, [&] { return p.state == PlayerState::absent; });
        return;
    }
    if (p.state == PlayerState::absent) return;
    p.state = PlayerState::stopping;
    p.changed.notify_all();
    std::thread ending = std::move(p.thread);
    hold.unlock();
    ending.join();
    hold.lock();
    p.state = PlayerState::absent;
    p.changed.notify_all();
}
