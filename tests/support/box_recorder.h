#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

// While it lives, every message box the program asks is answered with
// `answer` (OK unless said otherwise) and recorded, from whatever thread.
class BoxRecorder {
public:
    struct Box {
        std::wstring text, caption;
        UINT flags;
    };
    explicit BoxRecorder(int answer = IDOK);
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    size_t count();
    // The boxes so far, cleared.
    std::vector<Box> take_boxes();
    // The same as "caption: text" lines, each followed by '\n'.
    std::wstring take();
    void answer_with(int answer) { answer_ = answer; }

private:
    std::mutex lock_;
    std::vector<Box> boxes_;
    std::atomic<int> answer_;
};
