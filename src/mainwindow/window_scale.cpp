#include "mainwindow/window_scale.h"

#include <richedit.h>

#include <algorithm>

#include "app/chat_client.h"
#include "framework/dpi.h"
#include "mainwindow/control_table.h"
#include "mainwindow/main_window.h"
#include "mainwindow/menu_pictures.h"
#include "mainwindow/window_layout.h"

namespace {
constexpr const wchar_t* font_face = L"MS Shell Dlg 2";
constexpr int font_weight = 500;
constexpr int normal_font_height = 18, normal_font_width = 8;
constexpr int small_font_height = 14, small_font_width = 6;

HFONT make_font(int height, int width, UINT dpi) {
    return CreateFontW(scaled(height, dpi), scaled(width, dpi), 0, 0, font_weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font_face);
}

struct FontSwap {
    HFONT old_normal, old_small, new_normal, new_small;
};

BOOL CALLBACK swap_font(HWND child, LPARAM parameter) {
    const FontSwap& swap = *reinterpret_cast<const FontSwap*>(parameter);
    // A chat buffer holds its text's sizes in points (its font became
    // points when it was made), not the font; a new font would also reset
    // the format that its next lines take.
    wchar_t kind[32] = {};
    GetClassNameW(child, kind, 32);
    if (lstrcmpiW(kind, MSFTEDIT_CLASS) == 0) return TRUE;
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    const HFONT fresh = font == swap.old_normal ? swap.new_normal : font == swap.old_small ? swap.new_small : nullptr;
    if (fresh && font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fresh), FALSE);
    return TRUE;
}

DWORD style_of(HWND window, int index) { return static_cast<DWORD>(GetWindowLongPtrW(window, index)); }
}  // namespace

int status_bar_height(const ChatClient& client) {
    RECT bar{};
    if (!client.status_bar || !GetWindowRect(client.status_bar, &bar)) return 0;
    return bar.bottom - bar.top;
}

void make_window_fonts(ChatClient& client) {
    client.font_normal = make_font(normal_font_height, normal_font_width, client.dpi);
    client.font_small = make_font(small_font_height, small_font_width, client.dpi);
}

void set_control_pictures(ChatClient& client) {
    for (int i = 0; i < main_window_control_count; ++i) {
        const ControlSpec& spec = main_window_controls[i];
        HWND control = client.*spec.field;
        if (!spec.bitmap || !control) continue;
        // Buttons do not own their pictures: each lives until the next scale's.
        RECT frame{};
        GetWindowRect(control, &frame);
        const SIZE room{frame.right - frame.left, frame.bottom - frame.top};
        HBITMAP picture = load_scaled_bitmap(client.instance, spec.bitmap, client.dpi, 0, room);
        if (!picture) continue;
        HGDIOBJ before = reinterpret_cast<HGDIOBJ>(
            SendMessageW(control, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
        if (before && before != picture) DeleteObject(before);
    }
}

SIZE main_window_size(const ChatClient& client, int width, int height) {
    const SIZE room{scaled(width, client.dpi), scaled(height, client.dpi) + status_bar_height(client)};
    HWND window = client.main_window;
    RECT outer{}, inner{};
    // The frame the window has now counts: a narrow window's menu bar may
    // take two lines, which the system's reckoning leaves out.
    if (window && !IsIconic(window) && GetWindowRect(window, &outer) && GetClientRect(window, &inner) && inner.right > 0)
        return SIZE{room.cx + (outer.right - outer.left) - inner.right, room.cy + (outer.bottom - outer.top) - inner.bottom};
    return window_size_for_client(room, style_of(window, GWL_STYLE), style_of(window, GWL_EXSTYLE),
                                  GetMenu(window) != nullptr, client.dpi);
}

void set_default_window_size(ChatClient& client) {
    HWND window = client.main_window;
    SIZE size = main_window_size(client, reference_width, reference_height);
    const SIZE least = main_window_size(client, minimum_width, minimum_height);
    RECT place{};
    GetWindowRect(window, &place);
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &screen)) {
        const RECT& work = screen.rcWork;
        size.cx = std::max(least.cx, std::min(size.cx, static_cast<LONG>(work.right - work.left)));
        size.cy = std::max(least.cy, std::min(size.cy, static_cast<LONG>(work.bottom - work.top)));
        place.left = std::max(work.left, std::min(place.left, work.right - size.cx));
        place.top = std::max(work.top, std::min(place.top, work.bottom - size.cy));
    }
    SetWindowPos(window, nullptr, place.left, place.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void limit_window_size(const ChatClient& client, MINMAXINFO& limits) {
    const SIZE least = main_window_size(client, minimum_width, minimum_height);
    const SIZE reference = main_window_size(client, reference_width, reference_height);
    limits.ptMinTrackSize.x = least.cx;
    limits.ptMinTrackSize.y = least.cy;
    limits.ptMaxTrackSize.x = std::max(limits.ptMaxTrackSize.x, reference.cx);
    limits.ptMaxTrackSize.y = std::max(limits.ptMaxTrackSize.y, reference.cy);
}

void change_window_dpi(ChatClient& client, UINT dpi, const RECT* suggested) {
    if (!dpi) return;
    FontSwap swap{client.font_normal, client.font_small, nullptr, nullptr};
    client.dpi = dpi;
    make_window_fonts(client);
    swap.new_normal = client.font_normal;
    swap.new_small = client.font_small;
    EnumChildWindows(client.main_window, swap_font, reinterpret_cast<LPARAM>(&swap));
    for (HFONT old : {swap.old_normal, swap.old_small})
        if (old) DeleteObject(old);
    if (suggested) {
        SetWindowPos(client.main_window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The status bar's height follows its new font: the room above it too.
    layout_main_window(client);
    // The pictures last: they are made to fit the controls' new sizes.
    set_control_pictures(client);
    set_menu_pictures(client);
    refresh_connection_light(client);
}
