#include "app/text.h"

#include <windows.h>

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
    if (!text || length == 0) return {};
    int size = MultiByteToWideChar(code_page, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring out(size > 0 ? size : 0, L'\0');
    if (size > 0) MultiByteToWideChar(code_page, 0, text, static_cast<int>(length), out.data(), size);
    return out;
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
