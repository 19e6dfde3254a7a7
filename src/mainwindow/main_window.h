#pragma once
#include <windows.h>

#include <string>

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

// A Disconnect chosen by the user waits (without blocking the window) for QUIT
// to reach the server. A new Connect meanwhile finishes it at once first.
void finish_pending_disconnect(ChatClient& client);
bool disconnect_pending();

// Closes every chat tab and shows the not-connected state. Any thread: the
// work is handed to the user-interface thread.
void disconnect_reset(ChatClient& client);
// The same for a connection the server ended (ERROR), unless a reconnect
// follows: that keeps the tabs to join the channels again in them.
void server_closed_reset(ChatClient& client);

// A copy of the bitmap whose background (the top-left pixel's colour) is
// replaced by the menu colour; the original is left unchanged.
HBITMAP make_menu_bitmap(HBITMAP bitmap);

// Writes the two texts of the status bar; both are 8-bit text in the calling
// thread's code page. Any thread. `with_sound` false for progress notices,
// which come several times a second.
void show_status_notice(const char* title, const char* text, bool with_sound = true);
// The same for text that may hold characters the code page lacks (names and
// messages from the server, file paths).
void show_status_notice(const std::wstring& title, const std::wstring& text, bool with_sound = true);
void show_status_notice(const char* title, const std::wstring& text, bool with_sound = true);

// --- Further helpers of the main window -------------------------------------

// Bitmap resource `id` loaded at 16 x 16 (at `dpi`) and passed through
// make_menu_bitmap, for menu item pictures; nullptr when the resource is
// missing. The caller owns it.
HBITMAP load_menu_picture(HINSTANCE instance, int id, UINT dpi = USER_DEFAULT_SCREEN_DPI);

// Shows bitmap 126 (connected) or 125 (not connected) in connection_image.
// The two pictures are made once and kept; user-interface thread.
void show_connection_state(ChatClient& client, bool connected);
// The same light again, made for the window's present scale.
void refresh_connection_light(ChatClient& client);

// Enables a menu item, or disables and greys it (by command id).
void set_menu_item_enabled(ChatClient& client, int command, bool enabled);

// Drive and folder of a full file path, ending in a backslash ("" when the
// path has no folder part).
std::wstring folder_of_path(const wchar_t* path);

// Tab button colours: the brush answered for the tab button of `slot`
// (hollow when the tab is neither marked nor selected).
HBRUSH tab_button_brush(ChatClient& client, int slot);

// Tab buttons have the control ids 201 + 2 x slot.
constexpr int first_tab_button_id = 201;
constexpr int last_tab_button_id = 400;
inline int tab_button_id(int slot) { return first_tab_button_id + 2 * slot; }

// WM_PARENTNOTIFY: a tab button being created becomes owner-drawn, so that its
// marks show (a push button ignores the colours WM_CTLCOLORBTN answers).
void adopt_child_window(ChatClient& client, WPARAM wparam, LPARAM lparam);

// WM_DRAWITEM for a tab button: its face in the colour of tab_button_brush
// (the system face when hollow), its name left-aligned; false for other items.
bool draw_tab_button(ChatClient& client, const DRAWITEMSTRUCT* item);
