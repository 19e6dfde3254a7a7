#pragma once
#include "framework/subclassed_window.h"

// A chat buffer: a RICHEDIT50W control of one chat slot.
class BufferEdit : public SubclassedWindow {
public:
    int slot = 0;

    explicit BufferEdit(int slot) : slot(slot) {}
    LRESULT handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) override;
};
