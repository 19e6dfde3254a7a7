#pragma once

class ChatClient;

// Start option for screenshots: "--demo-dialog=directory" opens the channel
// directory on the cache of stored server 1, "--demo-dialog=preferences" the
// preferences, once the window is shown. Nothing is sent anywhere.

// Reads the option from the program's command line (before the window exists).
void request_demo_dialog(const wchar_t* command_line);

// At the end of building the window: queues the dialog when it was asked for.
void start_requested_dialog(ChatClient& client);
