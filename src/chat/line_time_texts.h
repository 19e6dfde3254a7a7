#pragma once

// What goes in front of a chat line: its time in the user's short format
// ("[14:05] ").
namespace line_time_text {
constexpr const wchar_t* stamp_format = L"[%s] ";
}  // namespace line_time_text
