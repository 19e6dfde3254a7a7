#include "framework/message_box.h"

#include <mutex>

namespace {
std::mutex hook_lock;
MessageBoxHook hook;
}

int show_message_box(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags) {
    MessageBoxHook current;
    {
        std::lock_guard<std::mutex> guard(hook_lock);
        current = hook;
    }
    if (current) return current(owner, text, caption, flags);
    return MessageBoxW(owner, text, caption, flags);
}

void set_message_box_hook(MessageBoxHook new_hook) {
    std::lock_guard<std::mutex> guard(hook_lock);
    hook = std::move(new_hook);
}
