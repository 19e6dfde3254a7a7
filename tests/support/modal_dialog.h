#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Runs `open` (which shows a modal dialog, e.g. a menu command) on this
// thread and, once the dialog is on the screen, calls `drive` with its window
// from inside the dialog's own message loop, as a user's clicks would arrive.
// A dialog still open after `drive` is ended. False when no dialog appeared.
bool run_modal(const std::function<void()>& open, const std::function<void(HWND)>& drive);

// Sends the dialog the command of control `id` (a click by default).
void press(HWND dialog, int id, int code = BN_CLICKED);

// Clicks a check box (it changes state and tells its dialog).
void click_box(HWND dialog, int id);

// A message-box hook that answers OK and records "caption: text" for each box.
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    std::wstring take();  // the boxes so far, each followed by '\n'; cleared

private:
    std::wstring boxes_;
};
