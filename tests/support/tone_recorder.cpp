#include "support/tone_recorder.h"

void ToneRecorder::start() {
    clear();
    set_tone_hook([this](Tone tone) {
        std::lock_guard<std::mutex> hold(lock);
        heard.push_back(tone);
    });
}

void ToneRecorder::stop() {
    wait_for_sounds();
    set_tone_hook(nullptr);
}

std::vector<Tone> ToneRecorder::tones() {
    wait_for_sounds();
    std::lock_guard<std::mutex> hold(lock);
    return heard;
}

void ToneRecorder::clear() {
    wait_for_sounds();
    std::lock_guard<std::mutex> hold(lock);
    heard.clear();
}
