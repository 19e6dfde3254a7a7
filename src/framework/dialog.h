#pragma once
#include <windows.h>

// A modal dialog from a resource template. Each showing creates and destroys the
// dialog window; the object lives for the whole run.
class Dialog {
public:
    HINSTANCE instance = nullptr;
    int template_id = 0;
    HWND owner = nullptr;

    Dialog(HINSTANCE instance, int template_id, HWND owner) : instance(instance), template_id(template_id), owner(owner) {}
    virtual ~Dialog() = default;
    virtual INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) = 0;

    // Shows the dialog modally and returns its end result.
    INT_PTR show();

    static INT_PTR CALLBACK dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
};
