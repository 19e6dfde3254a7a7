#include "framework/dialog.h"

INT_PTR Dialog::show() {
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(template_id), owner, dialog_procedure,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Dialog::dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    Dialog* object;
    if (message == WM_INITDIALOG) {
        object = reinterpret_cast<Dialog*>(lparam);
        SetWindowLongPtrW(dialog, GWLP_USERDATA, lparam);
    } else {
        object = reinterpret_cast<Dialog*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    }
    return object ? object->handle_dialog(dialog, message, wparam, lparam) : FALSE;
}
