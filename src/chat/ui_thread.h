#pragma once
#include <windows.h>

#include <functional>

class ChatClient;
struct ChatRecord;

// Main window message that runs a task handed over by another thread
// (wparam ui_message_task, lparam: the task record of run_on_ui_thread), or,
// posted with wparam ui_message_wake_up, wakes the user-interface thread to
// run what other threads queued. The kind travels in the message itself: a
// posted wake-up can be dispatched while the thread is inside a sent message
// (a modal loop run by a task), so the thread's state cannot tell them apart.
constexpr UINT msg_run_on_ui_thread = WM_USER + 4;
constexpr WPARAM ui_message_wake_up = 0;
constexpr WPARAM ui_message_task = 1;
// Posted: the receiving side has read all a flood brought so far.
constexpr WPARAM ui_message_receiving_paused = 2;

// True on the thread that owns the main window (and before it exists).
bool on_ui_thread(const ChatClient& client);

// Runs the task on the user-interface thread and returns when it has run: at
// once when called there, else through a synchronous message to the main
// window. False when the window is gone and the task could not run. The caller
// must hold no lock that the user-interface thread may take. Never for the
// receive thread, which must not wait for the window: it posts (below).
bool run_on_ui_thread(ChatClient& client, const std::function<void()>& task);

// The main window's handler of msg_run_on_ui_thread.
LRESULT run_ui_task(WPARAM kind, LPARAM task_record);

// keep: runs unless its session was replaced, or a flood of such tasks is
// over their cap (append_queue.h; dropped and counted). droppable: may also
// go when the queue is over its cap (a hostile flood while the window is
// busy), for work whose loss is harmless. always: never dropped, runs even
// for a replaced session (making and closing a chat's windows, which later
// work of any session relies on, and coalesced work that clears its own
// pending mark); such tasks must be few by design.
enum class TaskKind { keep, droppable, always };

// Any thread; returns at once. Runs `task` on the user-interface thread after
// every line and task queued before it, in order. Called there, it runs at
// once after the queued tasks (or, when they take longer than a user may
// wait, is queued behind them). A task of a replaced session is dropped
// (net/session.h).
void post_ui_task(ChatClient& client, std::function<void()> task, TaskKind kind = TaskKind::keep);

// The same for one chat: runs only if the slot still holds the chat of that
// generation (ChatRecord::generation, as a look-up saw it), so that a setter
// never lands on a chat that took over the slot meanwhile.
void post_chat_task(ChatClient& client, int slot, unsigned generation, std::function<void(ChatRecord&)> task,
                    TaskKind kind = TaskKind::keep);
