#pragma once
#include <windows.h>

#include <string>

class ChatClient;

// Puts text on the clipboard, both as Unicode (every character kept) and as
// 8-bit text in the thread's code page for programs that read only that.
// False when nothing was copied (an empty text, or a clipboard error, which
// is shown in a box).
bool copy_to_clipboard(ChatClient& client, const std::wstring& text);
// The same for 8-bit text in the thread's code page.
bool copy_to_clipboard(ChatClient& client, const char* text);

// Replaces the input line's text with the clipboard's. False (with a box)
// when the clipboard holds no text or cannot be read.
bool paste_to_input(ChatClient& client);

// Writes the chat's whole buffer to Downloads\Chat_<name>_<date and time>.txt
// and confirms it in the status bar. An empty chat writes nothing. False only
// when the file cannot be created (shown in a box).
bool save_chat(ChatClient& client, int slot);
// The same at a given local time (the name depends on it).
bool save_chat(ChatClient& client, int slot, const SYSTEMTIME& now);

// The file name (without folder, with ".txt") a chat is saved under.
std::wstring saved_chat_file_name(const std::wstring& chat_name, const SYSTEMTIME& now);
