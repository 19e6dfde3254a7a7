#pragma once
#include <windows.h>

class ChatClient;

// The parts of building the main window, each in its own file.

// The status bar (id 499) with its three parts; its handle is kept for
// show_status_notice.
HWND create_status_bar(ChatClient& client);

// The table's controls (control_table.cpp) in order, with pictures, fonts and limits.
void create_main_controls(ChatClient& client);

// The eleven balloon tooltips.
void create_tooltips(ChatClient& client);

// The input line (id 2), an InputEdit.
void create_input_line(ChatClient& client);

// Sets app_folder from the executable's path.
void set_app_folder(ChatClient& client);
