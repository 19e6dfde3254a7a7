#pragma once
// What a test reads off the hidden main window and its controls, and the wait
// that keeps this (the user-interface) thread working meanwhile.
#include <windows.h>

#include <functional>
#include <string>

class ChatClient;

// Runs the messages other threads send to this thread until `done` holds;
// false when `timeout_ms` passed first (a guard against hangs, not a measure).
bool wait_until(const std::function<bool()>& done, int timeout_ms = 20000);

// Runs `work` on a second thread, standing for the receive thread, while this
// thread dispatches what it sends (doing `ui_step` with a step number between
// dispatches, as fast as it can, when given); then runs what it handed over
// without waiting. False when the work was still running after `timeout_ms`:
// it is then let go (any waits of its on the window are answered) first.
bool run_beside_ui(const std::function<void()>& work, const std::function<void(int)>& ui_step = nullptr,
                   int timeout_ms = 60000);

// Runs `work` on a second thread while this thread runs no message at all,
// as a window busy elsewhere. True when the work ended on its own within
// `timeout_ms` (a guard against hangs). Either way the work is then let go:
// `let_go` runs, and this thread answers what the work waits for until it
// has ended.
bool run_while_window_busy(const std::function<void()>& work, const std::function<void()>& let_go = nullptr,
                           int timeout_ms = 60000);

std::wstring window_text(HWND window);
// Where `child` lies in its parent's client area.
RECT child_rect(HWND parent, HWND child);
std::wstring class_of(HWND window);
std::wstring status_text(const ChatClient& client, int part);

// Closes every chat but the server tab.
void close_every_chat(ChatClient& client);
