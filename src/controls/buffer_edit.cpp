#include "controls/buffer_edit.h"

LRESULT BufferEdit::handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    return pass_on(control, message, wparam, lparam);
}
