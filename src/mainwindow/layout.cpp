#include "app/chat_client.h"
#include "controls/buffer_edit.h"
#include "mainwindow/main_window.h"
#include "mainwindow/window_layout.h"

void place_chat_buffer(ChatRecord& chat) {
    if (chat.in_use && chat.buffer && chat.buffer->window)
        MoveWindow(chat.buffer->window, buffer_left, buffer_top, buffer_width, buffer_height, TRUE);
}

void layout_main_window(ChatClient& client) {
    if (client.current_chat) place_chat_buffer(*client.current_chat);
    if (client.input_window) {
        MoveWindow(client.input_window, input_line_left, input_line_top, input_line_width, input_line_height, TRUE);
        SendMessageW(client.input_window, EM_SETLIMITTEXT, input_line_limit, 0);
    }
    // The status bar keeps itself at the bottom when told of the new size.
    if (client.status_bar) SendMessageW(client.status_bar, WM_SIZE, 0, 0);
}

void focus_input_line(ChatClient& client) {
    if (client.input_window) SetFocus(client.input_window);
}
