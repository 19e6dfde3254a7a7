#pragma once
#include <windows.h>

// Pixels at a screen's scale. Every size in the program's tables is drawn for
// 96 DPI (100 %); a window on a screen of another scale multiplies them by
// dpi / 96. The per-monitor functions exist only from Windows 10 (1607) on:
// they are looked up at run time, and an older system falls back to the
// screen's scale for the whole desktop.

constexpr UINT base_dpi = USER_DEFAULT_SCREEN_DPI;

// `value` (96-DPI pixels) at `dpi`.
inline int scaled(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), static_cast<int>(base_dpi)); }

// The scale the window is drawn at.
UINT window_dpi(HWND window);

// The outer size of a window whose client area is `client` at `dpi`
// (AdjustWindowRectExForDpi, or AdjustWindowRectEx on older systems).
SIZE window_size_for_client(SIZE client, DWORD style, DWORD ex_style, bool has_menu, UINT dpi);

// Bitmap resource `id` stretched to its size at `dpi` (as drawn at 96 DPI,
// or `size_96` x `size_96` when that is given), but no larger than `room`
// where that is given; nullptr when it is missing. The caller owns it.
HBITMAP load_scaled_bitmap(HINSTANCE instance, int id, UINT dpi, int size_96 = 0, SIZE room = {0, 0});
