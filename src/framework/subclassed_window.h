#pragma once
#include <windows.h>

// A standard control whose behaviour the program extends: messages go to the
// object first, which passes what it does not handle to previous_procedure.
class SubclassedWindow {
public:
    HWND window = nullptr;
    WNDPROC previous_procedure = nullptr;

    virtual ~SubclassedWindow() = default;
    virtual LRESULT handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) = 0;

    // Call right after creating the control into `window`.
    void subclass();

    // Hands a message to the control's own procedure.
    LRESULT pass_on(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
        return CallWindowProcW(previous_procedure, control, message, wparam, lparam);
    }

    static LRESULT CALLBACK subclass_procedure(HWND control, UINT message, WPARAM wparam, LPARAM lparam);
};
