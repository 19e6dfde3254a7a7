#pragma once
#include <cstddef>
#include <functional>

struct Tone {
    unsigned frequency;  // Hz
    unsigned duration;   // ms
};

// Every tone of the program goes through one player thread, so that no caller
// (above all the receive thread, which must answer the server's PING) waits
// for the speaker. The calls return at once; the player plays each tune whole,
// its tones in order. While one tune plays, at most one more waits: a tune
// requested while another waits takes its place, and the rest are never heard.
constexpr size_t tune_tone_limit = 8;
void play_tones(const Tone* tones, size_t count);  // beyond tune_tone_limit tones are cut

inline void play_tone(Tone tone) {
    play_tones(&tone, 1);
}

template <size_t N>
void play_tune(const Tone (&tune)[N]) {
    static_assert(N <= tune_tone_limit, "the player holds tunes of at most tune_tone_limit tones");
    play_tones(tune, N);
}

// Returns once nothing waits or plays; at once if nothing was ever played.
void wait_for_sounds();

// Ends the player thread, dropping the waiting tune and the rest of the
// playing one, and joins it. A later play starts a new player, so this is
// safe to call more than once.
void stop_sounds();

// Tests replace the speaker: with a hook set, the player thread calls it
// instead of sounding the tone (it takes no time unless the hook does). An
// empty hook restores the speaker. Once set_tone_hook returns, the previous
// hook is not running and never will be; a hook must not set the hook itself.
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
