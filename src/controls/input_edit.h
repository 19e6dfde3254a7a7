#pragma once
#include "app/limits.h"
#include "controls/completion.h"
#include "controls/input_history.h"
#include "framework/subclassed_window.h"

class ChatClient;

// The input line: a multi-line edit whose Enter key submits the line (see
// controls/input_line.h for what a submitted line does), Tab completes the
// word before the caret, and Up and Down walk the lines sent from the selected
// chat. Every other key and message is the edit control's own.
class InputEdit : public SubclassedWindow {
public:
    ChatClient* client = nullptr;

    explicit InputEdit(ChatClient* client) : client(client) {}
    LRESULT handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void submit_line(HWND control);
    void complete_word(HWND control);
    void walk_history(HWND control, bool up);
    // The history of the selected chat; a chat that took a slot over starts
    // with none.
    InputHistory& selected_history();

    Completion completion_;
    InputHistory histories_[chat_slot_count];
    unsigned history_generations_[chat_slot_count] = {};
};
