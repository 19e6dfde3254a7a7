#include "chat/ui_thread.h"

#include "app/chat_client.h"
#include "chat/append_queue.h"
#include "chat/chat_tabs.h"

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
    SendMessageW(client.main_window, msg_run_on_ui_thread, ui_message_task, reinterpret_cast<LPARAM>(&record));
    return record.ran;
}

LRESULT run_ui_task(WPARAM kind, LPARAM task_record) {
    if (kind == ui_message_wake_up) {
        schedule_drain();
        return 0;
    }
    if (kind == ui_message_receiving_paused) {
        drain_held_flood_now();
        return 0;
    }
    // Only a sender waiting in run_on_ui_thread keeps the record alive: a
    // posted task message (which nothing here sends) would point at nothing.
    if (kind != ui_message_task || !InSendMessage()) return 0;
    auto* record = reinterpret_cast<UiTask*>(task_record);
    if (!record || !record->task) return 0;
    (*record->task)();
    record->ran = true;
    return 1;
}

void post_ui_task(ChatClient& client, std::function<void()> task, TaskKind kind) {
    if (on_ui_thread(client)) {
        // Whatever other threads queued before comes first. When that is
        // more than a user may wait for, the task waits behind it: its own
        // work is never dropped, nor bound to a connection.
        if (flush_chat_appends(client)) {
            task();
            return;
        }
        kind = TaskKind::always;
    }
    queue_task(client, std::move(task), kind);
}

void post_chat_task(ChatClient& client, int slot, unsigned generation, std::function<void(ChatRecord&)> task,
                    TaskKind kind) {
    if (slot < 0 || slot >= chat_slot_count) return;
    post_ui_task(
        client,
        [&client, slot, generation, task = std::move(task)] {
            ChatRecord& chat = client.chats[slot];
            if (chat.in_use && chat.generation == generation) task(chat);
        },
        kind);
}
