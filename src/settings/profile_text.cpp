#include "settings/profile_text.h"

#include <windows.h>

#include <vector>

namespace {
bool stripped_by_reader(wchar_t c) { return c == L' ' || c == L'\t' || c == L'"' || c == L'\''; }
}  // namespace

std::wstring read_profile_text(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    if (path.empty()) return {};
    std::vector<wchar_t> buffer(profile_read_capacity, L'\0');
    DWORD length = GetPrivateProfileStringW(section, key, L"", buffer.data(), profile_read_capacity, path.c_str());
    if (length >= profile_read_capacity) length = profile_read_capacity - 1;
    return std::wstring(buffer.data(), length);
}

std::wstring encode_profile_value(const std::wstring& value) {
    std::wstring line = value.substr(0, value.find_first_of(L"\r\n"));
    // The reader drops blanks around a value and one pair of quotes around it;
    // quoting keeps a password such as " secret" or "'x'" intact.
    if (!line.empty() && (stripped_by_reader(line.front()) || stripped_by_reader(line.back())))
        return L"\"" + line + L"\"";
    return line;
}

void write_profile_text(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                        const std::wstring& value) {
    if (path.empty()) return;
    WritePrivateProfileStringW(section, key, encode_profile_value(value).c_str(), path.c_str());
}
