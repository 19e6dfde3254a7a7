#include "app/file_names.h"

#include <windows.h>

#include <cwctype>

#include "app/text.h"
#include "app/hidden_characters.h"

namespace {
constexpr int last_numbered_copy = 9999;

bool path_is_taken(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    // Only a clear "not there" frees the name: a name the system cannot look
    // at (no access, a device) is left alone.
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool refused_character(wchar_t c) {
    if (c < 32 || c == 127) return true;
    switch (c) {
    case L'<': case L'>': case L':': case L'"': case L'/': case L'\\': case L'|': case L'?': case L'*':
        return true;
    default:
        return false;
    }
}

// A name must read as it is: what reorders or hides its letters
// ("pics<U+202E>gpj.exe" shows as "picsexe.jpg") or breaks it over two lines
// goes too. Returns the characters' length at `at` (two for a surrogate pair).
size_t format_character_at(std::wstring_view name, size_t at) {
    const wchar_t c = name[at];
    if (c == 0x2028 || c == 0x2029) return 1;
    if (IS_HIGH_SURROGATE(c) && at + 1 < name.size() && IS_LOW_SURROGATE(name[at + 1])) {
        const char32_t code = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(name[at + 1]) - 0xDC00);
        return is_format_character(code) ? 2 : 0;
    }
    return is_format_character(c) ? 1 : 0;
}

wchar_t ascii_upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c; }

// Windows opens a device for these base names whatever extension follows,
// and ignores spaces before the extension.
bool is_device_name(std::wstring_view name) {
    std::wstring_view base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
    std::wstring upper;
    for (wchar_t c : base) upper += ascii_upper(c);
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : devices)
        if (upper == device) return true;
    if (upper.size() != 4 || (upper.compare(0, 3, L"COM") != 0 && upper.compare(0, 3, L"LPT") != 0)) return false;
    // The superscript digits one to three name the same ports.
    const wchar_t digit = upper[3];
    return (digit >= L'0' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}
}  // namespace

bool is_plain_file_name(std::wstring_view name) {
    if (name.empty() || name.back() == L'.' || name.back() == L' ') return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (refused_character(name[i]) || format_character_at(name, i)) return false;
    return !is_device_name(name);
}

std::wstring without_format_characters(std::wstring_view name) {
    std::wstring out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        const size_t length = format_character_at(name, i);
        out += length ? L'_' : name[i];
        i += length ? length : 1;
    }
    return out;
}

std::wstring clean_file_name(std::wstring_view name) {
    std::wstring out = without_format_characters(name);
    for (wchar_t& c : out)
        if (refused_character(c)) c = L'_';
    while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.pop_back();
    if (!out.empty() && is_device_name(out)) out.insert(out.begin(), L'_');
    return out;
}

std::wstring free_file_path(const std::wstring& path) {
    if (!path_is_taken(path)) return path;
    const size_t separator = path.find_last_of(L"\\/");
    const size_t name_start = separator == std::wstring::npos ? 0 : separator + 1;
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || dot <= name_start) dot = path.size();
    const std::wstring stem = path.substr(0, dot), extension = path.substr(dot);
    for (int number = 2; number <= last_numbered_copy; ++number) {
        std::wstring numbered = format_text(L"%s (%d)%s", stem, number, extension);
        if (!path_is_taken(numbered)) return numbered;
    }
    return {};
}

std::wstring file_extension(std::wstring_view name) {
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos || dot == 0) return {};
    std::wstring extension(name.substr(dot + 1));
    for (wchar_t& c : extension)
        if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
    return extension;
}

bool is_runnable_file_type(std::wstring_view name) {
    static const wchar_t* const runnable[] = {
        L"exe", L"com", L"scr", L"bat", L"cmd", L"pif", L"cpl", L"msi", L"msp", L"mst", L"msc", L"msu",
        L"ps1", L"psm1", L"psd1", L"ps1xml", L"ps2", L"ps2xml", L"psc1", L"psc2", L"vb", L"vbs", L"vbe",
        L"js", L"jse", L"wsf", L"wsh", L"wsc", L"ws", L"hta", L"sct", L"jar", L"reg", L"inf", L"ins", L"isp",
        L"lnk", L"url", L"website", L"library-ms", L"search-ms", L"searchconnector-ms", L"settingcontent-ms",
        L"appref-ms", L"application", L"gadget", L"scf", L"shb", L"shs", L"xbap", L"chm", L"hlp",
        L"appx", L"appxbundle", L"msix", L"msixbundle", L"appinstaller", L"diagcab", L"xll", L"iqy",
        L"slk", L"dll", L"ocx", L"sys", L"drv", L"cer", L"crt", L"der", L"mshxml", L"msh", L"msh1",
        L"msh2", L"msh1xml", L"msh2xml", L"py", L"pyw", L"pyc", L"pyz", L"pl", L"rb",
        L"vhd", L"vhdx", L"iso", L"img"};
    const std::wstring extension = file_extension(name);
    for (const wchar_t* type : runnable)
        if (extension == type) return true;
    return false;
}
