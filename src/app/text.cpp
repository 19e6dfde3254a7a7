#include "app/text.h"

#include <windows.h>

#include <emmintrin.h>

std::wstring format_list(const wchar_t* format, std::initializer_list<FormatArg> args) {
    std::wstring out;
    auto next = args.begin();
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%' || (p[1] != L's' && p[1] != L'd' && p[1] != L'%')) {
            out += *p;
            continue;
        }
        ++p;
        if (*p == L'%') {
            out += L'%';
            continue;
        }
        if (next == args.end()) continue;  // a missing argument prints nothing
        if (next->text)
            out += next->text;
        else
            out += std::to_wstring(next->number);
        ++next;
    }
    return out;
}

bool copy_text(wchar_t* destination, size_t capacity, const wchar_t* source) {
    if (capacity == 0) return false;
    size_t length = source ? wcslen(source) : 0;
    bool fits = length < capacity;
    if (!fits) length = capacity - 1;
    if (length) wmemcpy(destination, source, length);
    destination[length] = 0;
    return fits;
}

bool copy_text(char* destination, size_t capacity, const char* source) {
    if (capacity == 0) return false;
    size_t length = source ? strlen(source) : 0;
    bool fits = length < capacity;
    if (!fits) length = capacity - 1;
    if (length) memcpy(destination, source, length);
    destination[length] = 0;
    return fits;
}

std::string narrow_text(const wchar_t* text, unsigned code_page) {
    if (!text || !*text) return {};
    int length = static_cast<int>(wcslen(text));
    int size = WideCharToMultiByte(code_page, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(code_page, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring wide_text(const char* text, size_t length, unsigned code_page) {
    std::wstring out;
    wide_text_into(text, length, code_page, out);
    return out;
}

namespace {
bool keeps_ascii(unsigned code_page) {
    return code_page == CP_ACP || code_page == CP_THREAD_ACP || code_page == CP_UTF8;
}
}  // namespace

// Nearly every IRC line is ASCII, and the system's conversion costs several
// times this.
bool widen_ascii(const char* text, size_t length, std::wstring& out) {
    out.resize(length);
    wchar_t* to = out.data();
    size_t i = 0;
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= length; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        if (_mm_movemask_epi8(block)) return false;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_unpacklo_epi8(block, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i + 8), _mm_unpackhi_epi8(block, zero));
    }
    for (; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) return false;
        to[i] = c;
    }
    return true;
}

void wide_text_into(const char* text, size_t length, unsigned code_page, std::wstring& out) {
    out.clear();
    if (!text || length == 0) return;
    if (keeps_ascii(code_page) && widen_ascii(text, length, out)) return;
    int size = MultiByteToWideChar(code_page, 0, text, static_cast<int>(length), nullptr, 0);
    if (size <= 0) return;
    out.resize(size);
    MultiByteToWideChar(code_page, 0, text, static_cast<int>(length), out.data(), size);
}

bool latin1_bytes(const wchar_t* text, size_t length, std::string& out) {
    out.clear();
    // Checked before anything is copied, so that a refused password leaves no
    // partial copy behind.
    for (size_t i = 0; i < length; ++i)
        if (text[i] == 0 || text[i] > 0xFF) return false;
    out.resize(length);
    for (size_t i = 0; i < length; ++i) out[i] = static_cast<char>(static_cast<unsigned char>(text[i]));
    return true;
}

std::wstring latin1_text(const char* bytes, size_t length) {
    std::wstring out(length, L'\0');
    for (size_t i = 0; i < length; ++i) out[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    return out;
}

std::wstring format_byte_amount(unsigned long long bytes) {
    static const wchar_t* const units[] = {L"KB", L"MB", L"GB", L"TB"};
    if (bytes < 1024) return std::to_wstring(bytes) + L" bytes";
    // Whole units and tenths, cut rather than rounded, in integers that cannot
    // overflow: the remainder is below the divisor, at most 2^40.
    unsigned long long divisor = 1024;
    size_t unit = 0;
    while (bytes / divisor >= 1024 && unit + 1 < sizeof units / sizeof *units) {
        divisor *= 1024;
        ++unit;
    }
    const unsigned long long tenths = bytes % divisor * 10 / divisor;
    return std::to_wstring(bytes / divisor) + L"." + std::to_wstring(tenths) + L" " + units[unit];
}
