#pragma once
#include <windows.h>

// Colours of all chat text. The value 1 means "keep the current character
// format" and is never a real colour.
constexpr COLORREF keep_format = 1;
constexpr COLORREF colour_black = RGB(0, 0, 0);
constexpr COLORREF colour_white = RGB(255, 255, 255);
constexpr COLORREF colour_server_text = RGB(0, 255, 0);
constexpr COLORREF colour_error_text = RGB(255, 255, 255);
constexpr COLORREF colour_error_back = RGB(255, 0, 0);
constexpr COLORREF colour_channel_message = RGB(255, 153, 51);
constexpr COLORREF colour_private_message = RGB(61, 163, 164);
constexpr COLORREF colour_mention = RGB(252, 199, 145);
constexpr COLORREF colour_nick = RGB(198, 154, 232);
constexpr COLORREF colour_event = RGB(210, 100, 52);
constexpr COLORREF colour_away_back = RGB(17, 87, 202);
constexpr COLORREF colour_action = RGB(214, 112, 214);
