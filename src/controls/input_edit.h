#pragma once
#include "framework/subclassed_window.h"

class ChatClient;

// The input line: a multi-line edit whose Enter key submits the line (see
// controls/input_line.h for what a submitted line does). Every other key and
// message is the edit control's own.
class InputEdit : public SubclassedWindow {
public:
    ChatClient* client = nullptr;

    explicit InputEdit(ChatClient* client) : client(client) {}
    LRESULT handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) override;
};
