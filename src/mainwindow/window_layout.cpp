#include "mainwindow/window_layout.h"

#include "app/limits.h"
#include "framework/dpi.h"

namespace {
// Both edges of a control along one direction: `start` and `end` in the
// reference drawing, `room` the reference length, `length` the frame's.
void place_span(int start, int end, int room, int length, Edge edge, UINT dpi, LONG& low, LONG& high) {
    switch (edge) {
    case Edge::start:
        low = scaled(start, dpi);
        high = scaled(end, dpi);
        break;
    case Edge::end:
        low = length - scaled(room - start, dpi);
        high = length - scaled(room - end, dpi);
        break;
    case Edge::both:
        low = scaled(start, dpi);
        high = length - scaled(room - end, dpi);
        break;
    }
}

// The "Private chats and channels" box and the tab buttons in it.
constexpr int tabs_box_left = 1062, tabs_box_top = 10, tabs_box_width = 324, tabs_box_height = 646;
constexpr int private_column_left = 1070, channel_column_left = 1226;
constexpr int button_top = 35, button_pitch = 36, button_width = 150, server_button_width = 130, button_height = 30;
constexpr int buttons_bottom_margin = 5;
constexpr int tab_rows = last_private_slot + 1;
static_assert(last_channel_slot - first_channel_slot + 1 == tab_rows, "both columns hold as many tabs");

constexpr int buffer_left = 255, buffer_top = 35, buffer_width = 776, buffer_height = 500;
constexpr int input_left = 255, input_top = 540, input_width = 780, input_height = 80;
constexpr int user_list_left = 20, user_list_top = 40, user_list_width = 205, user_list_height = 500;
}  // namespace

RECT place_in(const LayoutFrame& frame, int left, int top, int width, int height, Edge across, Edge down) {
    RECT place{};
    place_span(left, left + width, reference_width, frame.width, across, frame.dpi, place.left, place.right);
    place_span(top, top + height, reference_height, frame.height, down, frame.dpi, place.top, place.bottom);
    return place;
}

RECT buffer_rect(const LayoutFrame& frame) {
    return place_in(frame, buffer_left, buffer_top, buffer_width, buffer_height, Edge::both, Edge::both);
}

RECT input_line_rect(const LayoutFrame& frame) {
    return place_in(frame, input_left, input_top, input_width, input_height, Edge::both, Edge::end);
}

RECT tab_button_rect(const LayoutFrame& frame, bool channel_column, bool server_tab, int position) {
    const RECT box = place_in(frame, tabs_box_left, tabs_box_top, tabs_box_width, tabs_box_height, Edge::end, Edge::both);
    const int left = channel_column ? channel_column_left : private_column_left;
    const RECT column = place_in(frame, left, button_top, server_tab ? server_button_width : button_width,
                                 button_height, Edge::end, Edge::start);
    const int first_top = box.top + scaled(button_top - tabs_box_top, frame.dpi);
    const int height = column.bottom - column.top;
    const int room = box.bottom - scaled(buttons_bottom_margin, frame.dpi) - height - first_top;
    int pitch = scaled(button_pitch, frame.dpi);
    if (room < pitch * (tab_rows - 1)) pitch = room > 0 ? room / (tab_rows - 1) : 0;
    const int top = first_top + pitch * position;
    return RECT{column.left, top, column.right, top + height};
}

RECT user_list_rect(const LayoutFrame& frame) {
    return place_in(frame, user_list_left, user_list_top, user_list_width, user_list_height, Edge::start, Edge::start);
}
