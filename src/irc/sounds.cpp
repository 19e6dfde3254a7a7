#include "irc/sounds.h"

#include <windows.h>

#include <mutex>

namespace {
std::mutex hook_lock;
ToneHook tone_hook;
}  // namespace

void play_tone(Tone tone) {
    ToneHook hook;
    {
        std::lock_guard<std::mutex> hold(hook_lock);
        hook = tone_hook;
    }
    if (hook)
        hook(tone);
    else
        Beep(tone.frequency, tone.duration);
}

void set_tone_hook(ToneHook hook) {
    std::lock_guard<std::mutex> hold(hook_lock);
    tone_hook = std::move(hook);
}
