#pragma once

struct ChatRecord;

// Where the selected chat's buffer and the input line stand (client pixels).
constexpr int buffer_left = 255, buffer_top = 35, buffer_width = 776, buffer_height = 500;
constexpr int input_line_left = 255, input_line_top = 540, input_line_width = 780, input_line_height = 80;

// Moves an open chat's buffer to its place.
void place_chat_buffer(ChatRecord& chat);
