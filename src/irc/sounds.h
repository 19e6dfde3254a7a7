#pragma once
#include <cstddef>
#include <functional>

struct Tone {
    unsigned frequency;  // Hz
    unsigned duration;   // ms
};

// Every tone of the message handlers goes through here. Blocks the calling
// thread for the tone's duration.
void play_tone(Tone tone);

template <size_t N>
void play_tune(const Tone (&tune)[N]) {
    for (const Tone& tone : tune) play_tone(tone);
}

// Tests replace the speaker: with a hook set, tones go to it instead (and take
// no time). An empty hook restores the speaker.
using ToneHook = std::function<void(Tone)>;
void set_tone_hook(ToneHook hook);

// The handlers' tunes; callers play them only when the user has sounds on,
// except the message click, which has a switch of its own per chat.
namespace tunes {
constexpr Tone chat_accepted[] = {{400, 40}, {600, 40}};
constexpr Tone mention[] = {{400, 90}, {300, 80}, {200, 40}, {400, 50}};
constexpr Tone kicked[] = {{400, 150}, {300, 100}, {200, 100}};
constexpr Tone message_click[] = {{50, 10}};
}  // namespace tunes
