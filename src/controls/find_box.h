#pragma once
#include <windows.h>

#include <string>

#include "framework/subclassed_window.h"

class ChatClient;

enum class FindStep {
    from_here,  // forward from the selection's start: typing grows the match in place
    next,       // forward from the selection's end
    previous,   // backward from the selection's start
};

// Looks for `text` (any case) in the rich-edit `buffer`, from its selection,
// wrapping round at either end; selects the match and scrolls it into view.
// False, the selection unchanged, when the buffer holds none. The control
// searches its own text: nothing is copied, however long the chat.
bool find_in_buffer(HWND buffer, const std::wstring& text, FindStep step);

// The Find box: a label, the edit of the text looked for and a note, laid
// over the top right of the selected chat's buffer as children of the main
// window. Enter and Shift+Enter step, Esc closes; F3 and Ctrl+F come as
// commands of the main window.
class FindBox : public SubclassedWindow {
public:
    explicit FindBox(ChatClient& client) : client_(client) {}
    ~FindBox() override;
    FindBox(const FindBox&) = delete;
    FindBox& operator=(const FindBox&) = delete;

    // Creates the controls the first time; shows the box and focuses its
    // text, selected for retyping.
    void open();
    // Hides the box; the input line takes the focus.
    void close();
    bool is_open() const;
    // Lays the box over the top right of the chat area as the window now
    // stands (its size and scale).
    void place();
    // Steps through the selected chat for the text typed; an empty text
    // clears the note and does nothing else.
    void step(FindStep step);
    HWND note() const { return note_; }

    LRESULT handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    ChatClient& client_;
    HWND label_ = nullptr;
    HWND note_ = nullptr;
};
