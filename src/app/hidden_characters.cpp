#include "app/hidden_characters.h"

bool is_bidi_control(char32_t c) {
    return c == 0x200E || c == 0x200F || c == 0x061C || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool is_format_character(char32_t c) {
    if (is_bidi_control(c)) return true;
    if (c < 0xAD) return false;
    return c == 0xAD || (c >= 0x0600 && c <= 0x0605) || c == 0x06DD || c == 0x070F || c == 0x0890 || c == 0x0891 ||
           c == 0x08E2 || c == 0x180E || (c >= 0x200B && c <= 0x200D) || (c >= 0x2060 && c <= 0x2064) ||
           (c >= 0x206A && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB) || c == 0x110BD ||
           c == 0x110CD || (c >= 0x13430 && c <= 0x1343F) || (c >= 0x1BCA0 && c <= 0x1BCA3) ||
           (c >= 0x1D173 && c <= 0x1D17A) || c == 0xE0001 || (c >= 0xE0020 && c <= 0xE007F);
}

void mark_line_breaks_and_bidi(std::wstring& text) {
    for (wchar_t& c : text) {
        switch (c) {
        case L'\r': case L'\n': case L'\v': case L'\f': case 0x85: case 0x2028: case 0x2029:
            c = shown_line_break;
            break;
        default:
            if (is_bidi_control(c)) c = shown_bidi_control;
        }
    }
}
