#pragma once
#include <string>

class ChatClient;

// The one ChatClient of a test process, with its main window created hidden
// (the window class can be registered only once per process). Its program
// folder is a fresh temporary folder holding Settings\ and Downloads\.
ChatClient& test_client();

// A new empty folder under the system's temporary folder, ending in a backslash.
std::wstring make_temp_folder(const wchar_t* tag);

// Dispatches the messages waiting for this thread's windows.
void pump_messages();
