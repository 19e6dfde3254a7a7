#pragma once
#include <windows.h>

class ChatClient;

// Start option for screenshots and manual checks of the layout, without a
// server: "--demo-tabs" fills the server tab with sample lines, opens a private
// chat and a channel with a few users, and selects the channel;
// "--demo-tabs=server" and "--demo-tabs=private" select those tabs instead.
// Nothing is sent anywhere.

// Reads the option from the program's command line (call before the window exists).
void request_demo_tabs(const wchar_t* command_line);

// At the end of building the window: queues the demo when it was asked for.
void start_requested_demo(ChatClient& client);

// The queued command (a WM_COMMAND id of the main window).
constexpr int command_demo_tabs = 0x7F10;
void run_demo_tabs(ChatClient& client);
