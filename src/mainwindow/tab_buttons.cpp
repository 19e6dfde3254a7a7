// Tab buttons show their marks (mention, unread, selected) as the button's own
// colour. A plain push button paints its face in the system colour whatever
// WM_CTLCOLORBTN answers, so the main window takes over their drawing: each
// tab button becomes owner-drawn as it is created and is painted with the
// brush that WM_CTLCOLORBTN answers for it.

#include <string>

#include "app/chat_client.h"
#include "framework/dpi.h"
#include "mainwindow/main_window.h"

namespace {
constexpr int text_padding = 6, focus_inset = 3;  // 96-DPI pixels
constexpr int max_button_text = 256;

bool is_tab_button_id(int id) {
    return id >= first_tab_button_id && id <= last_tab_button_id && (id - first_tab_button_id) % 2 == 0;
}

bool is_button(HWND window) {
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    return lstrcmpiW(class_name, L"Button") == 0;
}

// The hollow brush of an unmarked tab leaves the system's face colour.
bool is_solid(HBRUSH brush) {
    LOGBRUSH description{};
    return GetObjectW(brush, sizeof description, &description) && description.lbStyle == BS_SOLID;
}
}  // namespace

void adopt_child_window(ChatClient& client, WPARAM wparam, LPARAM lparam) {
    if (LOWORD(wparam) != WM_CREATE) return;
    HWND child = reinterpret_cast<HWND>(lparam);
    if (!child || !is_tab_button_id(HIWORD(wparam)) || !is_button(child)) return;
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    SetWindowLongPtrW(child, GWL_STYLE, (style & ~LONG_PTR(BS_TYPEMASK)) | BS_OWNERDRAW);
}

bool draw_tab_button(ChatClient& client, const DRAWITEMSTRUCT* item) {
    if (!item || item->CtlType != ODT_BUTTON || !is_tab_button_id(static_cast<int>(item->CtlID))) return false;
    HDC dc = item->hDC;
    RECT frame = item->rcItem;
    HBRUSH brush = tab_button_brush(client, (static_cast<int>(item->CtlID) - 200) / 2);
    const bool marked = is_solid(brush);
    const bool pressed = (item->itemState & ODS_SELECTED) != 0;

    FillRect(dc, &frame, marked ? brush : GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &frame, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

    wchar_t text[max_button_text] = {};
    GetWindowTextW(item->hwndItem, text, max_button_text);
    RECT label = frame;
    const int padding = scaled(text_padding, client.dpi);
    label.left += padding + (pressed ? 1 : 0);
    label.right -= padding;
    if (pressed) OffsetRect(&label, 0, 1);
    HGDIOBJ old_font = client.font_normal ? SelectObject(dc, client.font_normal) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    COLORREF text_colour = marked ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNTEXT);
    if (item->itemState & ODS_DISABLED) text_colour = GetSysColor(COLOR_GRAYTEXT);
    SetTextColor(dc, text_colour);
    DrawTextW(dc, text, -1, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (old_font) SelectObject(dc, old_font);
    if (item->itemState & ODS_FOCUS) {
        RECT focus = frame;
        const int inset = scaled(focus_inset, client.dpi);
        InflateRect(&focus, -inset, -inset);
        DrawFocusRect(dc, &focus);
    }
    return true;
}
