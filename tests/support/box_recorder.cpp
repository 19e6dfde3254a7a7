#include "support/box_recorder.h"

#include "framework/message_box.h"

BoxRecorder::BoxRecorder(int answer) : answer_(answer) {
    set_message_box_hook([this](HWND, const wchar_t* text, const wchar_t* caption, UINT flags) {
        std::lock_guard<std::mutex> guard(lock_);
        boxes_.push_back({text ? text : L"", caption ? caption : L"", flags});
        return answer_.load();
    });
}

BoxRecorder::~BoxRecorder() { set_message_box_hook(nullptr); }

size_t BoxRecorder::count() {
    std::lock_guard<std::mutex> guard(lock_);
    return boxes_.size();
}

std::vector<BoxRecorder::Box> BoxRecorder::take_boxes() {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<Box> boxes;
    boxes.swap(boxes_);
    return boxes;
}

std::wstring BoxRecorder::take() {
    std::wstring lines;
    for (const Box& box : take_boxes()) lines += box.caption + L": " + box.text + L"\n";
    return lines;
}
