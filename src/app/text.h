#pragma once
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <string>

// Bounded text helpers. The program's formats only use %s (text), %d (number)
// and %%, so one small formatter serves them all without printf's type traps
// (%s means a narrow string to some C runtimes and a wide one to others).

struct FormatArg {
    const wchar_t* text = nullptr;
    long long number = 0;
    FormatArg(const wchar_t* t) : text(t ? t : L"") {}
    FormatArg(wchar_t* t) : text(t ? t : L"") {}
    FormatArg(const std::wstring& t) : text(t.c_str()) {}
    FormatArg(int n) : number(n) {}
    FormatArg(long n) : number(n) {}
    FormatArg(long long n) : number(n) {}
    FormatArg(unsigned n) : number(n) {}
    FormatArg(unsigned long n) : number(static_cast<long long>(n)) {}
};

std::wstring format_list(const wchar_t* format, std::initializer_list<FormatArg> args);

template <class... Args>
std::wstring format_text(const wchar_t* format, const Args&... args) {
    return format_list(format, {FormatArg(args)...});
}

// Copies at most capacity - 1 characters and terminates; false when it had to cut.
bool copy_text(wchar_t* destination, size_t capacity, const wchar_t* source);
bool copy_text(char* destination, size_t capacity, const char* source);

template <size_t N>
bool copy_text(wchar_t (&destination)[N], const wchar_t* source) {
    return copy_text(destination, N, source);
}
template <size_t N>
bool copy_text(char (&destination)[N], const char* source) {
    return copy_text(destination, N, source);
}

// Formats into a fixed buffer; false (and the text cut) when it does not fit.
template <size_t N, class... Args>
bool format_into(wchar_t (&destination)[N], const wchar_t* format, const Args&... args) {
    return copy_text(destination, N, format_text(format, args...).c_str());
}

// Code-page conversions; `code_page` is CP_ACP for the IRC wire and
// CP_THREAD_ACP for the program's other 8-bit texts.
std::string narrow_text(const wchar_t* text, unsigned code_page);
std::wstring wide_text(const char* text, size_t length, unsigned code_page);
// The same into `out`, reusing its storage. For CP_ACP, CP_THREAD_ACP and
// CP_UTF8 (which all keep ASCII as it is) pure ASCII text skips the conversion.
void wide_text_into(const char* text, size_t length, unsigned code_page, std::wstring& out);
// Widens pure ASCII sixteen bytes at a time; false at the first byte above
// 0x7F, with `out` then holding nothing of use.
bool widen_ascii(const char* text, size_t length, std::wstring& out);
inline std::wstring wide_text(const std::string& text, unsigned code_page) {
    return wide_text(text.data(), text.size(), code_page);
}

// One byte per character by the C locale's rule: U+0001 to U+00FF become the
// byte of the same value. Unlike a code page this gives the same bytes on
// every machine, which is what text turned into a shared key needs. False,
// with `out` left empty, when the text holds any other character (U+0000 too).
bool latin1_bytes(const wchar_t* text, size_t length, std::string& out);
inline bool latin1_bytes(const std::wstring& text, std::string& out) {
    return latin1_bytes(text.data(), text.size(), out);
}
// The reverse: byte b becomes U+00b, so latin1_bytes gives the bytes back.
std::wstring latin1_text(const char* bytes, size_t length);

// An amount of data for people: "512 bytes", "1.5 KB", "200.0 MB", "1.2 GB"
// (units of 1,024).
std::wstring format_byte_amount(unsigned long long bytes);
