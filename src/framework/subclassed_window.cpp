#include "framework/subclassed_window.h"

void SubclassedWindow::subclass() {
    // The object must be findable before the first message reaches the new procedure.
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_procedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclass_procedure)));
}

LRESULT CALLBACK SubclassedWindow::subclass_procedure(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* object = reinterpret_cast<SubclassedWindow*>(GetWindowLongPtrW(control, GWLP_USERDATA));
    return object ? object->handle_message(control, message, wparam, lparam) : 0;
}
