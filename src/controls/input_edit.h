#pragma once
#include "framework/subclassed_window.h"

class ChatClient;

// The input line: a multi-line edit whose Enter key submits the line.
class InputEdit : public SubclassedWindow {
public:
    ChatClient* client = nullptr;

    explicit InputEdit(ChatClient* client) : client(client) {}
    LRESULT handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) override;
};
