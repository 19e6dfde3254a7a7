#include "irc/repair_utf8.h"

#include <windows.h>

#include <cstdint>

namespace {
constexpr int not_a_byte = -1;

// The byte a character was read from. Characters up to U+00FF stand for
// themselves; others (the code page's 0x80..0x9F, such as U+20AC for 0x80)
// are mapped back through the code page so that UTF-8 continuation bytes in
// that range are recognised as such.
int byte_of(wchar_t ch) {
    if (ch <= 0xFF) return ch;
    char bytes[4];
    BOOL used_default = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &ch, 1, bytes, sizeof bytes, nullptr, &used_default);
    if (n != 1 || used_default) return not_a_byte;
    return static_cast<unsigned char>(bytes[0]);
}

bool is_continuation(int byte) {
    return byte != not_a_byte && (byte & 0xC0) == 0x80;
}

void emit(std::wstring& out, uint32_t code_point) {
    if (code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) return;
    if (code_point <= 0xFFFF) {
        out += static_cast<wchar_t>(code_point);
        return;
    }
    out += static_cast<wchar_t>(0xD800 + ((code_point - 0x10000) >> 10));
    out += static_cast<wchar_t>(0xDC00 + (code_point & 0x3FF));
}
}  // namespace

std::wstring repair_utf8(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    uint32_t accumulator = 0;
    int next = text.empty() ? not_a_byte : byte_of(text[0]);
    for (size_t i = 0; i < text.size(); ++i) {
        int byte = next;
        next = i + 1 < text.size() ? byte_of(text[i + 1]) : not_a_byte;
        if (byte == not_a_byte) {
            // Not from the code page at all: kept as it is.
            out += text[i];
            continue;
        }
        if (byte <= 0x7F)
            accumulator = static_cast<uint32_t>(byte);
        else if (byte <= 0xBF)
            accumulator = (accumulator << 6) | (byte & 0x3F);
        else if (byte <= 0xDF)
            accumulator = byte & 0x1F;
        else if (byte <= 0xEF)
            accumulator = byte & 0x0F;
        else
            accumulator = byte & 0x07;
        if (!is_continuation(next)) emit(out, accumulator);
    }
    return out;
}

bool looks_like_misread_utf8(const std::wstring& text) {
    return text.find_first_of(L"\u00C2\u00C3") != std::wstring::npos;
}
