#pragma once
#include <windows.h>

struct ChatRecord;
class ChatClient;

// The main window's controls are drawn in 96-DPI pixels for the window's
// reference size below (1386 x 670 above the status bar: the client area of
// the 1400 x 750 window the program first had). The window may be resized: a
// control keeps its distance to the edges it belongs to, and one that belongs
// to both edges of a direction grows with the window (the chat, the input
// line). Everything is scaled by the window's DPI first.

enum class Edge : unsigned char {
    start,  // the left (or top) edge
    end,    // the right (or bottom) edge
    both,   // stretches between them
};

constexpr int reference_width = 1386, reference_height = 670;

// The smallest useful window: 1240 x 599 (96-DPI pixels) above the status
// bar. Its outer size fits a 1366 x 768 screen at 100 % and a 1920 x 1080
// one at 150 %, each with a taskbar. The height is what a private chat's
// left column needs once the controls kept to the bottom have come up to
// a pixel below the file transfer box (its edges are rounded apart).
constexpr int minimum_width = 1240, minimum_height = 599;

// The room the controls are laid in: the client width and the height above
// the status bar, in pixels, at `dpi`.
struct LayoutFrame {
    UINT dpi = 96;
    int width = reference_width;
    int height = reference_height;
};

// Where a control drawn at (left, top, width, height) for the reference size
// stands in `frame`.
RECT place_in(const LayoutFrame& frame, int left, int top, int width, int height, Edge across, Edge down);

// The selected chat's buffer and the input line.
RECT buffer_rect(const LayoutFrame& frame);
RECT input_line_rect(const LayoutFrame& frame);

// The tab button at `position` (0 at the top) of the private chats' column
// (the server tab's button is narrower, leaving room for the connection
// light) or of the channels' column. The buttons draw closer together when
// the window is too low for the full spacing.
RECT tab_button_rect(const LayoutFrame& frame, bool channel_column, bool server_tab, int position);

// A channel's user list (a drop-down list: the height is the open list's).
RECT user_list_rect(const LayoutFrame& frame);

// The frame of the main window as it is now.
LayoutFrame current_layout_frame(const ChatClient& client);

// Moves an open chat's buffer to its place.
void place_chat_buffer(ChatClient& client, ChatRecord& chat);
