#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "support/box_recorder.h"

// Runs `open` (which shows a modal dialog, e.g. a menu command) on this
// thread and, once the dialog is on the screen, calls `drive` with its window
// from inside the dialog's own message loop, as a user's clicks would arrive.
// A dialog still open after `drive` is ended (with IDABORT); `drive` closes it
// with sent, not posted, commands. False when no dialog appeared.
bool run_modal(const std::function<void()>& open, const std::function<void(HWND)>& drive);

// Sends the dialog the command of control `id` (a click by default).
void press(HWND dialog, int id, int code = BN_CLICKED);

// Clicks a check box (it changes state and tells its dialog).
void click_box(HWND dialog, int id);
