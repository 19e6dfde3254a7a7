#include "app/chat_client.h"
#include "mainwindow/main_window.h"

namespace {
constexpr COLORREF edit_background = RGB(0, 0, 0);
constexpr COLORREF input_text = RGB(255, 255, 255);
constexpr COLORREF other_edit_text = RGB(0, 255, 0);
constexpr COLORREF title_text = RGB(255, 255, 255);
constexpr COLORREF title_text_background = RGB(0, 120, 215);
constexpr COLORREF title_background = RGB(4, 28, 132);
constexpr COLORREF banner_text = RGB(1, 49, 86);
constexpr COLORREF banner_background = RGB(187, 231, 161);
constexpr COLORREF encrypted_text = RGB(48, 56, 217);
constexpr COLORREF tab_mention = RGB(3, 186, 20);
constexpr COLORREF tab_unread = RGB(255, 0, 0);
constexpr COLORREF tab_selected = RGB(0, 0, 255);

// Created once, on first use, and kept for the whole run.
struct Brushes {
    HBRUSH black = CreateSolidBrush(edit_background);
    HBRUSH title = CreateSolidBrush(title_background);
    HBRUSH banner = CreateSolidBrush(banner_background);
    HBRUSH mention = CreateSolidBrush(tab_mention);
    HBRUSH unread = CreateSolidBrush(tab_unread);
    HBRUSH selected = CreateSolidBrush(tab_selected);
    HBRUSH hollow = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
};

const Brushes& brushes() {
    static const Brushes made;
    return made;
}

HBRUSH paint(HDC dc, COLORREF text, COLORREF background, HBRUSH brush) {
    SetTextColor(dc, text);
    SetBkColor(dc, background);
    return brush;
}

HBRUSH static_colours(ChatClient& client, HDC dc, HWND control) {
    const Brushes& b = brushes();
    if (control == client.title_band || control == client.title_edit)
        return paint(dc, title_text, title_text_background, b.title);
    if (control == client.encrypt_banner) return paint(dc, banner_text, banner_background, b.banner);
    if (control == client.encrypted_text_edit) return paint(dc, encrypted_text, edit_background, b.black);
    // The system's own look for labels, boxes and read-only edits.
    return paint(dc, GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_BTNFACE), GetSysColorBrush(COLOR_BTNFACE));
}
}  // namespace

HBRUSH tab_button_brush(ChatClient& client, int slot) {
    const Brushes& b = brushes();
    if (slot < 0 || slot >= chat_slot_count) return b.hollow;
    const ChatRecord& chat = client.chats[slot];
    if (slot > 0 && chat.mention) return b.mention;
    if (slot > 0 && chat.unread) return b.unread;
    if (client.current_chat == &chat) return b.selected;
    return b.hollow;
}

HBRUSH control_colours(ChatClient& client, UINT message, HDC dc, HWND control) {
    switch (message) {
    case WM_CTLCOLOREDIT:
        return paint(dc, control == client.input_window ? input_text : other_edit_text, edit_background, brushes().black);
    case WM_CTLCOLORBTN: {
        // Ids 201 to 400 are tab buttons, but only slots that exist have one.
        const int id = GetDlgCtrlID(control);
        if (id >= first_tab_button_id && id <= last_tab_button_id) return tab_button_brush(client, (id - 200) / 2);
        return brushes().hollow;
    }
    case WM_CTLCOLORSTATIC:
        return static_colours(client, dc, control);
    default:
        return nullptr;
    }
}
