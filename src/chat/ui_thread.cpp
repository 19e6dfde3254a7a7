#include "chat/ui_thread.h"

#include "app/chat_client.h"
#include "chat/append_queue.h"

namespace {
struct UiTask {
    const std::function<void()>* task;
    bool ran;
};
}  // namespace

bool on_ui_thread(const ChatClient& client) {
    HWND main = client.main_window;
    return !main || GetWindowThreadProcessId(main, nullptr) == GetCurrentThreadId();
}

bool run_on_ui_thread(ChatClient& client, const std::function<void()>& task) {
    if (on_ui_thread(client)) {
        task();
        return true;
    }
    UiTask record{&task, false};
    SendMessageW(client.main_window, msg_run_on_ui_thread, 0, reinterpret_cast<LPARAM>(&record));
    return record.ran;
}

LRESULT run_ui_task(LPARAM task_record) {
    // Only a sender waiting in run_on_ui_thread keeps the record alive; a
    // posted copy of the message would point at a dead stack frame. The one
    // posted form is the append queue's wake-up, which points at nothing.
    if (!InSendMessage()) {
        if (task_record == wake_up_mark) schedule_drain();
        return 0;
    }
    auto* record = reinterpret_cast<UiTask*>(task_record);
    if (!record || !record->task) return 0;
    (*record->task)();
    record->ran = true;
    return 1;
}
