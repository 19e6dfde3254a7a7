#include "controls/find_box.h"

#include <commdlg.h>
#include <richedit.h>

#include "app/chat_client.h"
#include "controls/buffer_edit.h"
#include "controls/find_texts.h"
#include "framework/dpi.h"
#include "mainwindow/main_window.h"
#include "mainwindow/window_layout.h"
#include "resources/resource_ids.h"

namespace {
// The box's place: the top right of the buffer, clear of its scroll bar
// (96-DPI pixels, scaled with the window).
constexpr int box_height = 22, label_width = 36, edit_width = 170, note_width = 70, gap = 4;
constexpr int scroll_bar_room = 22, top_margin = 3;
constexpr int box_width = label_width + edit_width + note_width + 2 * gap;

CHARRANGE selection_of(HWND buffer) {
    CHARRANGE range{};
    SendMessageW(buffer, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
}

LONG text_length(HWND buffer) {
    GETTEXTLENGTHEX question{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(SendMessageW(buffer, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&question), 0));
}

// One search of the control over [from, to) forward, or backward from `from`
// down to `to`; the match's range, or cpMin -1.
CHARRANGE search(HWND buffer, const std::wstring& text, LONG from, LONG to, bool forward) {
    FINDTEXTEXW find{};
    find.chrg.cpMin = from;
    find.chrg.cpMax = to;
    find.lpstrText = text.c_str();
    // The control leaves chrgText alone when it finds nothing.
    if (SendMessageW(buffer, EM_FINDTEXTEXW, forward ? FR_DOWN : 0, reinterpret_cast<LPARAM>(&find)) < 0)
        return CHARRANGE{-1, -1};
    return find.chrgText;
}

HWND make_control(ChatClient& client, const wchar_t* kind, DWORD style, DWORD extra_style, int id,
                  const wchar_t* text) {
    HWND control = CreateWindowExW(extra_style, kind, text, WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0,
                                   client.main_window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), client.instance, nullptr);
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(client.font_small), FALSE);
    return control;
}

void show_over_buffer(HWND control) {
    SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}
}  // namespace

bool find_in_buffer(HWND buffer, const std::wstring& text, FindStep step) {
    if (!buffer || text.empty()) return false;
    const CHARRANGE selected = selection_of(buffer);
    CHARRANGE match{-1, -1};
    if (step == FindStep::previous) {
        match = search(buffer, text, selected.cpMin, 0, false);
        if (match.cpMin < 0) match = search(buffer, text, text_length(buffer), 0, false);
    } else {
        const LONG from = step == FindStep::next ? selected.cpMax : selected.cpMin;
        match = search(buffer, text, from, -1, true);
        if (match.cpMin < 0 && from > 0) match = search(buffer, text, 0, -1, true);
    }
    if (match.cpMin < 0) return false;
    SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&match));
    SendMessageW(buffer, EM_SCROLLCARET, 0, 0);
    return true;
}

FindBox::~FindBox() {
    for (HWND control : {label_, note_, window})
        if (control && IsWindow(control)) DestroyWindow(control);
}

void FindBox::open() {
    if (!window) {
        label_ = make_control(client_, L"STATIC", SS_RIGHT | SS_CENTERIMAGE, 0, IDC_FIND_LABEL, find_text::label);
        window = make_control(client_, L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, IDC_FIND_EDIT, L"");
        note_ = make_control(client_, L"STATIC", SS_LEFT | SS_CENTERIMAGE, 0, IDC_FIND_NOTE, L"");
        if (!window) return;
        subclass();
    }
    place();
    for (HWND control : {label_, window, note_}) show_over_buffer(control);
    SetFocus(window);
    SendMessageW(window, EM_SETSEL, 0, -1);
}

void FindBox::place() {
    const RECT buffer = buffer_rect(current_layout_frame(client_));
    const UINT dpi = client_.dpi;
    const int top = buffer.top + scaled(top_margin, dpi), height = scaled(box_height, dpi);
    int left = buffer.right - scaled(scroll_bar_room + box_width, dpi);
    const struct {
        HWND control;
        int width;
    } parts[] = {{label_, label_width}, {window, edit_width}, {note_, note_width}};
    for (const auto& part : parts) {
        const int width = scaled(part.width, dpi);
        if (part.control)
            SetWindowPos(part.control, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        left += width + scaled(gap, dpi);
    }
}

void FindBox::close() {
    for (HWND control : {label_, window, note_})
        if (control) ShowWindow(control, SW_HIDE);
    focus_input_line(client_);
}

bool FindBox::is_open() const {
    return window && IsWindowVisible(window);
}

void FindBox::step(FindStep step) {
    if (!window) return;
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
    const ChatRecord* chat = client_.current_chat;
    HWND buffer = chat && chat->buffer ? chat->buffer->window : nullptr;
    const bool found = text.empty() || find_in_buffer(buffer, text, step);
    SetWindowTextW(note_, found ? L"" : find_text::no_match);
}

LRESULT FindBox::handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    if (message == WM_KEYDOWN && wparam == VK_RETURN) {
        step(shift ? FindStep::previous : FindStep::next);
        return 0;
    }
    if (message == WM_KEYDOWN && wparam == VK_ESCAPE) {
        close();
        return 0;
    }
    // The single-line edit would beep at both.
    if (message == WM_CHAR && (wparam == L'\r' || wparam == 27)) return 0;
    return pass_on(control, message, wparam, lparam);
}
