// Laying the main window out for its size and scale (window_layout.h).

#include <windows.h>
#include <commctrl.h>

#include "app/chat_client.h"
#include "app/limits.h"
#include "controls/buffer_edit.h"
#include "controls/find_box.h"
#include "framework/dpi.h"
#include "mainwindow/control_table.h"
#include "mainwindow/main_window.h"
#include "mainwindow/window_layout.h"
#include "mainwindow/window_scale.h"

namespace {
// The status bar's parts end at these x (96-DPI pixels of the reference
// width); the notice part takes what the window gains or loses.
constexpr int title_part_end = 160, notice_part_end = 850, statistics_part_end = 1300;

void lay_out_status_bar(const ChatClient& client, int width) {
    if (!client.status_bar) return;
    // The bar keeps itself at the bottom when told of the new size.
    SendMessageW(client.status_bar, WM_SIZE, 0, 0);
    const UINT dpi = client.dpi;
    int parts[3] = {scaled(title_part_end, dpi), width - scaled(reference_width - notice_part_end, dpi),
                    width - scaled(reference_width - statistics_part_end, dpi)};
    if (parts[1] < parts[0]) parts[1] = parts[0];
    if (parts[2] < parts[1]) parts[2] = parts[1];
    SendMessageW(client.status_bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
}

void move_to(HWND control, const RECT& place) {
    if (control)
        SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}
}  // namespace

LayoutFrame current_layout_frame(const ChatClient& client) {
    RECT area{};
    if (client.main_window) GetClientRect(client.main_window, &area);
    return LayoutFrame{client.dpi, area.right, area.bottom - status_bar_height(client)};
}

void place_chat_buffer(ChatClient& client, ChatRecord& chat) {
    if (chat.in_use && chat.buffer && chat.buffer->window)
        move_to(chat.buffer->window, buffer_rect(current_layout_frame(client)));
}

namespace {
void place_tab_controls(ChatClient& client, const LayoutFrame& frame) {
    for (ChatRecord& chat : client.chats) {
        if (!chat.in_use) continue;
        const int position = chat.slot - (chat.is_channel ? first_channel_slot : 0);
        move_to(chat.button, tab_button_rect(frame, chat.is_channel, chat.slot == 0, position));
        move_to(chat.user_list, user_list_rect(frame));
    }
}
}  // namespace

void layout_main_window(ChatClient& client) {
    RECT area{};
    // A minimised window has no room: the controls keep their places.
    if (!client.main_window || IsIconic(client.main_window) || !GetClientRect(client.main_window, &area) ||
        area.right <= 0 || area.bottom <= 0)
        return;
    lay_out_status_bar(client, area.right);
    const LayoutFrame frame = current_layout_frame(client);
    for (int i = 0; i < main_window_control_count; ++i) {
        const ControlSpec& spec = main_window_controls[i];
        move_to(client.*spec.field,
                place_in(frame, spec.left, spec.top, spec.width, spec.height, spec.across, spec.down));
    }
    if (client.current_chat) place_chat_buffer(client, *client.current_chat);
    if (client.input_window) {
        move_to(client.input_window, input_line_rect(frame));
        SendMessageW(client.input_window, EM_SETLIMITTEXT, input_line_limit, 0);
    }
    place_tab_controls(client, frame);
    if (client.find_box) client.find_box->place();
    InvalidateRect(client.main_window, nullptr, TRUE);
}

void focus_input_line(ChatClient& client) {
    if (client.input_window) SetFocus(client.input_window);
}
