#include "app/free_file_path.h"

#include <windows.h>

namespace {

constexpr int last_number = 9999;

// Anything but a plain "not there" (a folder of that name, a file that may
// not be looked at) counts as taken.
bool is_free(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::wstring free_file_path(const std::wstring& path) {
    if (is_free(path)) return path;
    const size_t name_start = path.find_last_of(L"\\/:") + 1;  // npos + 1 is 0
    const size_t dot = path.rfind(L'.');
    // A leading dot (".profile") starts the name, not an extension.
    const bool has_extension = dot != std::wstring::npos && dot > name_start;
    const std::wstring stem = has_extension ? path.substr(0, dot) : path;
    const std::wstring extension = has_extension ? path.substr(dot) : std::wstring();
    for (int number = 2; number <= last_number; ++number) {
        std::wstring candidate = stem + L" (" + std::to_wstring(number) + L")" + extension;
        if (is_free(candidate)) return candidate;
    }
    return {};
}
