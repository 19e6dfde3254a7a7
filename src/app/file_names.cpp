#include "app/file_names.h"

#include <windows.h>

#include <cwctype>

#include "app/text.h"

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
    return upper.size() == 4 && (upper.compare(0, 3, L"COM") == 0 || upper.compare(0, 3, L"LPT") == 0) &&
           upper[3] >= L'0' && upper[3] <= L'9';
}
}  // namespace

bool is_plain_file_name(std::wstring_view name) {
    if (name.empty() || name.back() == L'.' || name.back() == L' ') return false;
    for (wchar_t c : name)
        if (refused_character(c)) return false;
    return !is_device_name(name);
}

std::wstring clean_file_name(std::wstring_view name) {
    std::wstring out;
    for (wchar_t c : name) out += refused_character(c) ? L'_' : c;
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
