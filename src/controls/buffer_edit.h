#pragma once
#include <functional>
#include <memory>

#include "framework/subclassed_window.h"

// A chat buffer: the read-only RICHEDIT50W control of one chat slot.
class BufferEdit : public SubclassedWindow {
public:
    int slot = 0;
    HINSTANCE instance = nullptr;
    // Called before the control answers a question about its text, selection,
    // lines or formats, so that text still on its way is in it by then.
    std::function<void()> before_read;

    explicit BufferEdit(int slot) : slot(slot) {}
    LRESULT handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) override;
};

// Creates the control as a child of `parent` with the given control id
// (200 + 2 x slot), in `place`, shown or hidden, and subclasses it; nullptr when
// the system refuses the control.
std::unique_ptr<BufferEdit> create_buffer_edit(int control_id, HWND parent, HINSTANCE instance, const RECT& place,
                                               bool visible);
