#pragma once
#include <windows.h>

#include "app/chat_client.h"
#include "mainwindow/window_layout.h"

// One child control of the main window as it is created: field, id, class,
// style (WS_CHILD is added; WS_VISIBLE and WS_DISABLED give the initial state),
// text, place in the reference drawing and the edges it keeps to, and what it
// needs after creation.
struct ControlSpec {
    HWND ChatClient::*field;
    int id;
    const wchar_t* class_name;
    DWORD style;
    DWORD ex_style;
    const wchar_t* text;
    int left, top, width, height;
    int bitmap;      // bitmap resource shown by a bitmap button or picture; 0 = none
    int text_limit;  // EM_SETLIMITTEXT for edits; 0 = the system's
    bool small_font;
    Edge across = Edge::start;
    Edge down = Edge::start;
};

// The banner's words while encryption is on in the compatible format.
extern const wchar_t encrypt_banner_text[];

// The controls in their building order.
extern const ControlSpec main_window_controls[];
extern const int main_window_control_count;
