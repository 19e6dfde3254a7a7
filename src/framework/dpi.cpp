#include "framework/dpi.h"

namespace {
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// Looked up once; nullptr on systems without it.
template <typename Function>
Function user32_function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

UINT desktop_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : base_dpi;
}
}  // namespace

UINT window_dpi(HWND window) {
    static const auto for_window = user32_function<GetDpiForWindowFn>("GetDpiForWindow");
    const UINT dpi = for_window && window ? for_window(window) : 0;
    return dpi ? dpi : desktop_dpi();
}

SIZE window_size_for_client(SIZE client, DWORD style, DWORD ex_style, bool has_menu, UINT dpi) {
    static const auto adjust = user32_function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, client.cx, client.cy};
    if (!adjust || !adjust(&frame, style, has_menu, ex_style, dpi)) AdjustWindowRectEx(&frame, style, has_menu, ex_style);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

HBITMAP load_scaled_bitmap(HINSTANCE instance, int id, UINT dpi, int size_96, SIZE room) {
    int width = size_96, height = size_96;
    if (!size_96) {
        HBITMAP natural = static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
        BITMAP shape{};
        const bool known = natural && GetObjectW(natural, sizeof shape, &shape);
        if (natural && (!known || dpi == base_dpi)) return natural;
        if (natural) DeleteObject(natural);
        if (!known) return nullptr;
        width = shape.bmWidth;
        height = shape.bmHeight;
    }
    // A control's edges are scaled one by one, so a picture made for its
    // size may come out a pixel larger than it.
    width = scaled(width, dpi);
    height = scaled(height, dpi);
    if (room.cx > 0 && width > room.cx) width = room.cx;
    if (room.cy > 0 && height > room.cy) height = room.cy;
    return static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, width, height, 0));
}
