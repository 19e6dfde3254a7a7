#pragma once
#include "irc/sounds.h"

// Sounds one tone on the calling thread, taking its duration, or hands it to
// the test hook. Only the player thread calls it.
void sound_tone(Tone tone);
