#include "controls/input_edit.h"

LRESULT InputEdit::handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    return pass_on(control, message, wparam, lparam);
}
