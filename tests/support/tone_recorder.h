#pragma once
#include <mutex>
#include <vector>

#include "irc/sounds.h"

// Stands for the speaker while a test runs. Tones arrive on the player thread;
// every read first waits for the player to fall silent, so a test sees all the
// tones of what it just did.
class ToneRecorder {
public:
    void start();  // becomes the tone hook
    void stop();   // lets the player finish, then gives the speaker back
    std::vector<Tone> tones();
    void clear();

private:
    std::mutex lock;
    std::vector<Tone> heard;
};
