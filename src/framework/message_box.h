#pragma once
#include <windows.h>

#include <functional>

// Every message box of the program goes through here, so that tests can read
// what would be asked and answer it without a person.
using MessageBoxHook = std::function<int(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags)>;

int show_message_box(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags);

// Replaces the real MessageBoxW; an empty hook restores it.
void set_message_box_hook(MessageBoxHook hook);
