#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "irc/sounds.h"

namespace {

// Far beyond any scheduling delay: reaching it means a call waited for the speaker.
constexpr auto deadline = std::chrono::seconds(5);
constexpr size_t never = static_cast<size_t>(-1);

// The speaker, standing in for the real one: it hears frequencies and, like a
// busy speaker, can hold one tone (by its number among all heard) until released.
class Sounds : public testing::Test {
protected:
    void SetUp() override {
        set_tone_hook([this](Tone tone) {
            std::unique_lock<std::mutex> hold(lock);
            heard.push_back(tone.frequency);
            const size_t number = heard.size() - 1;
            changed.notify_all();
            changed.wait(hold, [&] { return released || number != hold_at; });
        });
    }

    void TearDown() override {
        release();
        wait_for_sounds();
        set_tone_hook(nullptr);
    }

    void hold_tone(size_t number) {
        std::lock_guard<std::mutex> hold(lock);
        hold_at = number;
        released = false;
    }

    void release() {
        std::lock_guard<std::mutex> hold(lock);
        released = true;
        changed.notify_all();
    }

    // True once the speaker is holding its tone, false if it never got there.
    bool speaker_held() {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, deadline, [&] { return heard.size() > hold_at; }) &&
               heard.size() == hold_at + 1 && !released;
    }

    // Makes the requests on another thread, as the receive thread would; false
    // if they were still waiting at the deadline, in which case the speaker is
    // released so that they can end.
    bool returns_in_time(const std::function<void()>& requests) {
        std::promise<void> finished;
        std::future<void> done = finished.get_future();
        std::thread caller([&] {
            requests();
            finished.set_value();
        });
        const bool in_time = done.wait_for(deadline) == std::future_status::ready;
        if (!in_time) release();
        caller.join();
        return in_time;
    }

    std::vector<unsigned> frequencies() {
        wait_for_sounds();
        std::lock_guard<std::mutex> hold(lock);
        return heard;
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    std::vector<unsigned> heard;
    size_t hold_at = never;
    bool released = false;
};

constexpr Tone first[] = {{100, 1}, {101, 1}, {102, 1}};
constexpr Tone second[] = {{200, 1}, {201, 1}, {202, 1}, {203, 1}};
constexpr Tone third[] = {{300, 1}, {301, 1}, {302, 1}, {303, 1}, {304, 1}};

TEST_F(Sounds, PlayingReturnsWhileTheSpeakerIsBusy) {
    hold_tone(0);
    ASSERT_TRUE(returns_in_time([] { play_tune(first); }));
    ASSERT_TRUE(speaker_held());
    EXPECT_TRUE(returns_in_time([] {
        play_tune(second);
        play_tone({400, 1});
        play_tune(tunes::kicked);
    }));
    EXPECT_TRUE(speaker_held());  // the calls above did not get it going
}

TEST_F(Sounds, AtMostOneTuneWaitsAndTheNewestTakesItsPlace) {
    hold_tone(0);
    ASSERT_TRUE(returns_in_time([] { play_tone({50, 1}); }));
    ASSERT_TRUE(speaker_held());
    EXPECT_TRUE(returns_in_time([] {
        for (unsigned n = 0; n < 1000; ++n) play_tone({1000 + n, 1});
    }));
    release();
    EXPECT_EQ(frequencies(), (std::vector<unsigned>{50, 1999}));
}

TEST_F(Sounds, TunesArePlayedWholeAndInOrder) {
    // Back to back from silence: the first is handed over, the second waits.
    play_tune(first);
    play_tune(second);
    EXPECT_EQ(frequencies(), (std::vector<unsigned>{100, 101, 102, 200, 201, 202, 203}));

    // Newer tunes replace the waiting one, never the rest of the playing one.
    hold_tone(8);  // the second tone of the next tune
    ASSERT_TRUE(returns_in_time([] { play_tune(first); }));
    ASSERT_TRUE(speaker_held());
    play_tune(second);
    play_tune(third);
    release();
    EXPECT_EQ(frequencies(), (std::vector<unsigned>{100, 101, 102, 200, 201, 202, 203,  //
                                                    100, 101, 102, 300, 301, 302, 303, 304}));
}

TEST_F(Sounds, StoppingEndsWaitingAndALaterPlayStartsAgain) {
    EXPECT_TRUE(returns_in_time([] {
        stop_sounds();
        stop_sounds();
        wait_for_sounds();  // with no player at all
    }));
    play_tone({600, 1});
    EXPECT_TRUE(returns_in_time([] {
        stop_sounds();
        wait_for_sounds();
    }));
    play_tone({700, 1});
    const std::vector<unsigned> heard = frequencies();
    ASSERT_FALSE(heard.empty());
    EXPECT_LE(heard.size(), 2u);  // the tone before the stop may have been dropped
    EXPECT_EQ(heard.back(), 700u);
}

}  // namespace
