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

namespace {
bool reads_content(UINT message) {
    switch (message) {
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case EM_GETTEXTEX:
    case EM_GETTEXTLENGTHEX:
    case EM_GETTEXTRANGE:
    case EM_GETSELTEXT:
    case EM_STREAMOUT:
    case EM_GETLINE:
    case EM_GETLINECOUNT:
    case EM_LINEINDEX:
    case EM_LINELENGTH:
    case EM_LINEFROMCHAR:
    case EM_EXLINEFROMCHAR:
    case EM_GETSEL:
    case EM_EXGETSEL:
    case EM_GETCHARFORMAT:
    case EM_GETPARAFORMAT:
    case EM_FINDTEXT:
    case EM_FINDTEXTW:
    case EM_FINDTEXTEX:
    case EM_FINDTEXTEXW:
    case EM_POSFROMCHAR:
    case EM_CHARFROMPOS:
    case EM_GETFIRSTVISIBLELINE:
        return true;
    default:
        return false;
    }
}
}  // namespace

LRESULT BufferEdit::handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CONTEXTMENU:
        show_context_menu(lparam);
        return 0;
    case WM_CHAR:
        return 0;  // a chat's text is what was said: typing changes nothing
    case WM_COMMAND:
        run_menu_item(LOWORD(wparam));
        return 0;
    default:
        break;
    }
    if (before_read && reads_content(message)) before_read();
    return pass_on(control, message, wparam, lparam);
}
