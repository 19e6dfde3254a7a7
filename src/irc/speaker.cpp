#include "irc/speaker.h"

#include <windows.h>

#include <mutex>

namespace {
struct Speaker {
    // Held while the hook runs, so that replacing the hook waits for the
    // call in progress and a test's recorder never outlives its calls.
    std::mutex lock;
    ToneHook hook;
};

// Never freed: the player thread may still sound a tone while static objects
// are destroyed at exit.
Speaker& speaker() {
    static Speaker* const the_speaker = new Speaker;
    return *the_speaker;
}
}  // namespace

void sound_tone(Tone tone) {
    Speaker& out = speaker();
    std::unique_lock<std::mutex> hold(out.lock);
    if (out.hook) {
        out.hook(tone);
        return;
    }
    hold.unlock();
    Beep(tone.frequency, tone.duration);
}

void set_tone_hook(ToneHook hook) {
    Speaker& out = speaker();
    std::lock_guard<std::mutex> hold(out.lock);
    out.hook = std::move(hook);
}
