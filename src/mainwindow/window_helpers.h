#pragma once
#include <windows.h>

// Small null-tolerant wrappers: controls of a chat that is being built or
// closed may not exist yet.
inline void show_control(HWND control, bool shown) {
    if (control) ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
}

inline void enable_control(HWND control, bool enabled) {
    if (control) EnableWindow(control, enabled ? TRUE : FALSE);
}

inline void set_check(HWND control, bool checked) {
    if (control) SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
