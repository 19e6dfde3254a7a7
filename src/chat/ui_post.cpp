#include "chat/ui_post.h"

#include <atomic>
#include <deque>
#include <mutex>

#include "framework/message_box.h"

namespace {
constexpr UINT msg_run_posted = WM_APP + 1;  // lparam: std::function<void()>*, owned by the message
constexpr const wchar_t* post_window_class = L"QuillmerePostWindow";

std::atomic<HWND> post_window{nullptr};

LRESULT CALLBACK post_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == msg_run_posted) {
        auto* work = reinterpret_cast<std::function<void()>*>(lparam);
        (*work)();
        delete work;
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

struct QueuedBox {
    HWND owner = nullptr;
    std::wstring text, caption;
    UINT flags = 0;
    std::function<void(int)> on_closed;
};
std::mutex box_lock;
std::deque<QueuedBox> queued_boxes;
bool box_showing = false;  // user-interface thread only

// An open box runs a modal loop that would run the next queued box on top of
// it; the flag makes the boxes wait their turn instead.
void show_queued_boxes() {
    if (box_showing) return;
    box_showing = true;
    for (;;) {
        QueuedBox box;
        {
            std::lock_guard<std::mutex> guard(box_lock);
            if (queued_boxes.empty()) break;
            box = std::move(queued_boxes.front());
            queued_boxes.pop_front();
        }
        const int answer = show_message_box(box.owner, box.text.c_str(), box.caption.c_str(), box.flags);
        if (box.on_closed) box.on_closed(answer);
    }
    box_showing = false;
}
}  // namespace

void start_ui_posts() {
    if (post_window) return;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = post_window_procedure;
    window_class.hInstance = instance;
    window_class.lpszClassName = post_window_class;
    RegisterClassW(&window_class);
    post_window = CreateWindowExW(0, post_window_class, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
}

void post_to_ui_thread(std::function<void()> work) {
    HWND window = post_window;
    if (!window) {
        work();
        return;
    }
    auto* queued = new std::function<void()>(std::move(work));
    if (!PostMessageW(window, msg_run_posted, 0, reinterpret_cast<LPARAM>(queued))) delete queued;
}

void post_question_box(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags,
                       std::function<void(int answer)> on_answer) {
    {
        std::lock_guard<std::mutex> guard(box_lock);
        queued_boxes.push_back({owner, text, caption, flags, std::move(on_answer)});
    }
    post_to_ui_thread(show_queued_boxes);
}

void post_message_box(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags,
                      std::function<void()> on_closed) {
    std::function<void(int)> on_answer;
    if (on_closed) on_answer = [closed = std::move(on_closed)](int) { closed(); };
    post_question_box(owner, text, caption, flags, std::move(on_answer));
}
