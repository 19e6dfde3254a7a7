#include "controls/buffer_edit.h"

#include <richedit.h>

namespace {
constexpr DWORD buffer_style = WS_CHILD | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | ES_NOHIDESEL;
}

std::unique_ptr<BufferEdit> create_buffer_edit(int control_id, HWND parent, HINSTANCE instance, const RECT& place,
                                               bool visible) {
    HWND control = CreateWindowExW(WS_EX_WINDOWEDGE, MSFTEDIT_CLASS, L"", buffer_style | (visible ? WS_VISIBLE : 0),
                                   place.left, place.top, place.right - place.left, place.bottom - place.top, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)), instance, nullptr);
    if (!control) return nullptr;
    auto buffer = std::make_unique<BufferEdit>((control_id - 200) / 2);
    buffer->window = control;
    buffer->instance = instance;
    buffer->subclass();
    return buffer;
}

LRESULT BufferEdit::handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    return pass_on(control, message, wparam, lparam);
}
