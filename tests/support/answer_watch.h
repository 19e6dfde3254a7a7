#pragma once
// Whether a window keeps answering: a thread of its own asks it (WM_NULL) again
// and again, each time with a generous bound that only a window whose thread
// waits on something else (the network) misses.
#include <windows.h>

#include <atomic>
#include <thread>

class AnswerWatch {
public:
    explicit AnswerWatch(HWND window) : thread_([this, window] {
        for (DWORD_PTR result; !stop_; Sleep(20))
            ++(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) ? answered_ : missed_);
    }) {}
    ~AnswerWatch() { stop(); }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0}, missed_{0};

private:
    std::thread thread_;
};
