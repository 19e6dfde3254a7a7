#include "chat/irc_formatting.h"

namespace {
constexpr wchar_t bold_code = 0x02, colour_code = 0x03, reset_code = 0x0F, monospace_code = 0x11,
                  reverse_code = 0x16, italic_code = 0x1D, strikethrough_code = 0x1E, underline_code = 0x1F;

// The sixteen colours every IRC client agrees on.
constexpr COLORREF colour_table[16] = {
    RGB(255, 255, 255), RGB(0, 0, 0),     RGB(0, 0, 127),     RGB(0, 147, 0),
    RGB(255, 0, 0),     RGB(127, 0, 0),   RGB(156, 0, 156),   RGB(252, 127, 0),
    RGB(255, 255, 0),   RGB(0, 252, 0),   RGB(0, 147, 147),   RGB(0, 255, 255),
    RGB(0, 0, 252),     RGB(255, 0, 255), RGB(127, 127, 127), RGB(210, 210, 210),
};

bool is_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// One or two digits at `at`; -1 when there are none. Moves `at` past them.
int read_number(const std::wstring& text, size_t& at) {
    if (at >= text.size() || !is_digit(text[at])) return -1;
    int number = text[at++] - L'0';
    if (at < text.size() && is_digit(text[at])) number = number * 10 + (text[at++] - L'0');
    return number;
}

std::int8_t colour_index(int number) { return number >= 0 && number < 16 ? static_cast<std::int8_t>(number) : -1; }

std::uint8_t effect_of(wchar_t code) {
    switch (code) {
    case bold_code: return FormatRun::bold;
    case italic_code: return FormatRun::italic;
    case underline_code: return FormatRun::underline;
    case reverse_code: return FormatRun::reverse;
    case monospace_code: return FormatRun::monospace;
    case strikethrough_code: return FormatRun::strikethrough;
    default: return 0;
    }
}

// The state from `start` on: a change at the same place as the last run
// replaces it, and a change back to what holds already adds nothing.
void set_state(std::vector<FormatRun>& runs, FormatRun state) {
    const FormatRun before = runs.empty() ? FormatRun{} : runs.back();
    if (before.effects == state.effects && before.colour == state.colour && before.background == state.background)
        return;
    if (!runs.empty() && runs.back().start == state.start)
        runs.back() = state;
    else
        runs.push_back(state);
}
}  // namespace

FormattedText parse_formatting(const std::wstring& text) {
    FormattedText formatted;
    formatted.text.reserve(text.size());
    FormatRun state;
    for (size_t at = 0; at < text.size();) {
        const wchar_t c = text[at++];
        if (const std::uint8_t effect = effect_of(c)) {
            state.effects ^= effect;
        } else if (c == reset_code) {
            state = FormatRun{};
        } else if (c == colour_code) {
            const int colour = read_number(text, at);
            if (colour < 0) {
                state.colour = state.background = -1;
            } else {
                state.colour = colour_index(colour);
                // The comma belongs to the code only when digits follow it.
                if (at + 1 < text.size() && text[at] == L',' && is_digit(text[at + 1])) {
                    ++at;
                    state.background = colour_index(read_number(text, at));
                }
            }
        } else {
            formatted.text += c;
            continue;
        }
        state.start = static_cast<std::uint32_t>(formatted.text.size());
        set_state(formatted.runs, state);
    }
    // A run that starts at the end formats nothing.
    while (!formatted.runs.empty() && formatted.runs.back().start >= formatted.text.size()) formatted.runs.pop_back();
    return formatted;
}

std::wstring strip_formatting(const std::wstring& text) {
    return parse_formatting(text).text;
}

bool irc_colour(int index, COLORREF& colour) {
    if (index < 0 || index >= 16) return false;
    colour = colour_table[index];
    return true;
}
