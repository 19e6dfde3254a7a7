#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "chat/format_runs.h"

// IRC's formatting codes: \x02 bold, \x03 colour (with one or two digits, a
// comma and a background's digits), \x1D italic, \x1F underline, \x16 reverse,
// \x11 monospace, \x1E strikethrough, \x0F back to plain.

struct FormattedText {
    std::wstring text;          // without the codes
    std::vector<FormatRun> runs;  // empty when the text had none
};

FormattedText parse_formatting(const std::wstring& text);

// The text without its codes.
std::wstring strip_formatting(const std::wstring& text);

// The colour of an IRC colour number (0 to 15); false for any other number,
// which keeps the piece's own colour.
bool irc_colour(int index, COLORREF& colour);
