#pragma once
#include <windows.h>

#include <functional>

class ChatClient;

// Main window message that runs a task handed over by another thread
// (lparam: the task record of run_on_ui_thread), or, posted, wakes the
// user-interface thread to write the lines other threads queued.
constexpr UINT msg_run_on_ui_thread = WM_USER + 4;

// True on the thread that owns the main window (and before it exists).
bool on_ui_thread(const ChatClient& client);

// Runs the task on the user-interface thread and returns when it has run: at
// once when called there, else through a synchronous message to the main
// window. False when the window is gone and the task could not run. The caller
// must hold no lock that the user-interface thread may take.
bool run_on_ui_thread(ChatClient& client, const std::function<void()>& task);

// The main window's handler of msg_run_on_ui_thread.
LRESULT run_ui_task(LPARAM task_record);
