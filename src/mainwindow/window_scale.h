#pragma once
#include <windows.h>

class ChatClient;

// The main window at its screen's scale: fonts, pictures and sizes follow
// client.dpi.

// The status bar's height in pixels (0 before it exists).
int status_bar_height(const ChatClient& client);

// Makes font_normal and font_small for client.dpi.
void make_window_fonts(ChatClient& client);

// Loads the pictures of the control table's bitmap buttons at client.dpi and
// hands them to the buttons, deleting the ones they showed before.
void set_control_pictures(ChatClient& client);

// The main window's outer size for a client area of `width` x `height`
// 96-DPI pixels above the status bar, at client.dpi.
SIZE main_window_size(const ChatClient& client, int width, int height);

// The window's first size: its reference size, within the screen's work area
// (never below the smallest useful size), moved to lie inside it.
void set_default_window_size(ChatClient& client);

// WM_GETMINMAXINFO: the smallest useful size; a larger window than the
// screen is allowed when asked for (the default size on a small screen).
void limit_window_size(const ChatClient& client, MINMAXINFO& limits);

// WM_DPICHANGED: the window moved to a screen of another scale. Fonts and
// pictures are made anew, the window takes the rectangle the system
// suggests (none: it keeps its size) and is laid out again.
void change_window_dpi(ChatClient& client, UINT dpi, const RECT* suggested);
