#pragma once
#include <windows.h>

class ChatClient;

// WM_USER: builds every control of the main window.
void build_main_window(ChatClient& client);

// WM_COMMAND from a menu, an accelerator or a control; false when the id is
// not the main window's (the default procedure gets it then).
bool handle_command(ChatClient& client, int id, int code, HWND source);

// WM_CTLCOLOR*: the brush for the control, or nullptr for the default.
HBRUSH control_colours(ChatClient& client, UINT message, HDC dc, HWND control);

// WM_SIZE and WM_SETFOCUS.
void layout_main_window(ChatClient& client);
void focus_input_line(ChatClient& client);

// Makes the slot the selected chat and lays the controls out for its kind.
void select_chat(ChatClient& client, int slot);

// Channel indicators and channel menu items for the selected chat.
void refresh_channel_controls(ChatClient& client);

// Closes every chat tab and shows the not-connected state.
void disconnect_reset(ChatClient& client);

// A copy of the bitmap whose background (the top-left pixel's colour) is
// replaced by the menu colour; the original is left unchanged.
HBITMAP make_menu_bitmap(HBITMAP bitmap);

// Writes the two texts of the status bar; both are 8-bit text in the calling
// thread's code page. Any thread.
void show_status_notice(const char* title, const char* text);
