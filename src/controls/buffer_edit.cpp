#include "controls/buffer_edit.h"

#include <richedit.h>

#include "resources/resource_ids.h"

namespace {
constexpr DWORD buffer_style = WS_CHILD | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | ES_NOHIDESEL |
                               WS_CLIPSIBLINGS;  // the Find box lies over it
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

void hand_typing_to_input_line(HWND buffer, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND input = GetDlgItem(GetParent(buffer), IDC_INPUT_EDIT);
    if (!input) return;
    SetFocus(input);
    SendMessageW(input, message, wparam, lparam);
}
}  // namespace

LRESULT BufferEdit::handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    ++handling_;
    const LRESULT result = respond(control, message, wparam, lparam);
    if (--handling_ == 0 && retired_) destroy_now();  // the object is gone after this
    return result;
}

LRESULT BufferEdit::respond(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CONTEXTMENU:
        show_context_menu(lparam);
        return 0;
    case WM_CHAR:
        // A chat's text is what was said: typing goes to the input line.
        if (wparam >= L' ' && wparam != 0x7F) hand_typing_to_input_line(control, message, wparam, lparam);
        return 0;
    case WM_COMMAND:
        run_menu_item(LOWORD(wparam));
        return 0;
    default:
        break;
    }
    if (before_read && reads_content(message)) {
        before_read();
        // The queue replaced this control (its text would have pushed every
        // line out): the text asked for is in the chat's buffer now.
        HWND current = *current_;
        if (retired_ && current && current != control && IsWindow(current))
            return SendMessageW(current, message, wparam, lparam);
    }
    return pass_on(control, message, wparam, lparam);
}

void BufferEdit::retire(std::unique_ptr<BufferEdit> buffer, HWND successor) {
    if (!buffer) return;
    BufferEdit* edit = buffer.release();
    auto* next = successor ? reinterpret_cast<SubclassedWindow*>(GetWindowLongPtrW(successor, GWLP_USERDATA))
                           : nullptr;
    if (auto* next_buffer = dynamic_cast<BufferEdit*>(next)) {
        next_buffer->current_ = edit->current_;
        *edit->current_ = successor;
    } else {
        *edit->current_ = nullptr;  // closed: no buffer answers for the chat
    }
    if (edit->handling_ == 0) {
        edit->destroy_now();
        return;
    }
    edit->retired_ = true;
    ShowWindow(edit->window, SW_HIDE);
    // Its successor has the same id: a look-up by id must find that one.
    SetWindowLongPtrW(edit->window, GWLP_ID, 0);
}

void BufferEdit::destroy_now() {
    retired_ = false;
    // Its last messages still reach this object, which lives until here.
    if (window) DestroyWindow(window);
    window = nullptr;
    delete this;
}

BufferEdit::~BufferEdit() {
    // Dropped without retire (the end of the program): the control must not
    // call into a freed object.
    if (window && IsWindow(window) &&
        GetWindowLongPtrW(window, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this)) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_procedure));
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
}
