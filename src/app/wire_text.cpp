#include "app/wire_text.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>

#include "app/text.h"

namespace {
constexpr uint32_t replacement_character = 0xFFFD;

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence at `p` (at most `left` bytes there)
// and its code point; 0 when none starts there. The second byte's range rules
// out overlong forms, surrogates and code points above U+10FFFF.
size_t utf8_sequence(const unsigned char* p, size_t left, uint32_t& code) {
    const unsigned char lead = p[0];
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // below: overlong
        if (lead == 0xED) high = 0x9F;  // above: surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // below: overlong
        if (lead == 0xF4) high = 0x8F;  // above: past U+10FFFF
    } else {
        return 0;  // a continuation byte, an overlong lead (C0, C1) or F5..FF
    }
    if (left < length || p[1] < low || p[1] > high) return 0;
    for (size_t i = 1; i < length; ++i) {
        if (!is_continuation(p[i])) return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    return length;
}

void put_utf16(wchar_t*& to, uint32_t code) {
    if (code < 0x10000) {
        *to++ = static_cast<wchar_t>(code);
        return;
    }
    code -= 0x10000;
    *to++ = static_cast<wchar_t>(0xD800 + (code >> 10));
    *to++ = static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
}

// The code point of the UTF-16 character at text[i] and how many units it
// takes; a lone surrogate reads as U+FFFD.
uint32_t code_point_at(const wchar_t* text, size_t length, size_t i, size_t& units) {
    const uint32_t unit = static_cast<uint16_t>(text[i]);
    units = 1;
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (unit <= 0xDBFF && i + 1 < length) {
        const uint32_t next = static_cast<uint16_t>(text[i + 1]);
        if (next >= 0xDC00 && next <= 0xDFFF) {
            units = 2;
            return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
        }
    }
    return replacement_character;
}

size_t utf8_bytes_of(uint32_t code) {
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

void utf8_into(const char* bytes, size_t length, std::wstring& out) {
    out.resize(length);  // never more units than bytes
    wchar_t* to = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < length;) {
        uint32_t code = 0;
        const size_t step = utf8_sequence(p + i, length - i, code);
        put_utf16(to, step ? code : replacement_character);
        i += step ? step : 1;
    }
    out.resize(static_cast<size_t>(to - out.data()));
}

bool all_ascii(const wchar_t* text, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned>(text[i]) >= 0x80) return false;
    return true;
}

// The code page's bytes for the text, as the program has always made them;
// false when they do not give the text back.
bool code_page_bytes(const wchar_t* text, size_t length, unsigned code_page, std::string& out) {
    out.clear();
    if (length == 0) return true;
    // Every ANSI code page keeps ASCII as it is.
    if (all_ascii(text, length)) {
        out.resize(length);
        for (size_t i = 0; i < length; ++i) out[i] = static_cast<char>(text[i]);
        return true;
    }
    const int units = static_cast<int>(length);
    const int size = WideCharToMultiByte(code_page, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    out.resize(static_cast<size_t>(size));
    WideCharToMultiByte(code_page, 0, text, units, out.data(), size, nullptr, nullptr);
    const int back = MultiByteToWideChar(code_page, 0, out.data(), size, nullptr, 0);
    if (back != units) return false;
    std::wstring again(static_cast<size_t>(back), L'\0');
    MultiByteToWideChar(code_page, 0, out.data(), size, again.data(), back);
    return std::wmemcmp(again.data(), text, length) == 0;
}
}  // namespace

bool is_valid_utf8(const char* bytes, size_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    uint32_t code = 0;
    for (size_t i = 0; i < length;) {
        const size_t step = utf8_sequence(p + i, length - i, code);
        if (step == 0) return false;
        i += step;
    }
    return true;
}

std::wstring text_from_utf8(const char* bytes, size_t length) {
    std::wstring out;
    utf8_into(bytes, length, out);
    return out;
}

size_t utf8_size(const wchar_t* text, size_t length) {
    size_t size = 0;
    for (size_t i = 0, units = 0; i < length; i += units) size += utf8_bytes_of(code_point_at(text, length, i, units));
    return size;
}

std::string utf8_text(const wchar_t* text, size_t length) {
    std::string out;
    out.reserve(utf8_size(text, length));
    for (size_t i = 0, units = 0; i < length; i += units) {
        const uint32_t code = code_point_at(text, length, i, units);
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

bool code_page_holds(const wchar_t* text, size_t length, unsigned code_page) {
    std::string bytes;
    return code_page_bytes(text, length, code_page, bytes);
}

std::string encode_wire_text(const wchar_t* text, size_t length, unsigned code_page, TextForm* form) {
    std::string bytes;
    const bool held = code_page_bytes(text, length, code_page, bytes);
    if (form) *form = held ? TextForm::code_page : TextForm::utf8;
    return held ? bytes : utf8_text(text, length);
}

TextForm decode_wire_text(const char* bytes, size_t length, unsigned code_page, std::wstring& out) {
    out.clear();
    if (!bytes || length == 0) return TextForm::code_page;
    // Nearly every line is ASCII, which both forms read alike.
    if (widen_ascii(bytes, length, out)) return TextForm::code_page;
    if (is_valid_utf8(bytes, length)) {
        utf8_into(bytes, length, out);
        return TextForm::utf8;
    }
    const int size = MultiByteToWideChar(code_page, 0, bytes, static_cast<int>(length), nullptr, 0);
    out.clear();
    if (size <= 0) return TextForm::code_page;
    out.resize(static_cast<size_t>(size));
    MultiByteToWideChar(code_page, 0, bytes, static_cast<int>(length), out.data(), size);
    return TextForm::code_page;
}
