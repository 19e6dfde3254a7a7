#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Work queued for the user-interface thread without waiting for it (the
// waiting kind is run_on_ui_thread in chat/ui_thread.h). A hidden message-only
// window of that thread runs the queued work.

// Creates the hidden window; call once, on the user-interface thread. Until it
// exists, queued work runs at once on the caller's thread.
void start_ui_posts();

// Queues `work` for the user-interface thread and returns at once.
void post_to_ui_thread(std::function<void()> work);

// A message box shown on the user-interface thread without making the caller
// wait for the user; boxes queue up and appear one after another.
// `on_closed`, if given, runs on that thread when the user has closed it.
void post_message_box(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags,
                      std::function<void()> on_closed = {});

// The same for a question: `on_answer` runs on that thread with the button the
// user pressed (IDYES, IDNO, ...).
void post_question_box(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags,
                       std::function<void(int answer)> on_answer);
