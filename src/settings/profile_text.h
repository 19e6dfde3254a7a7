#pragma once
#include <string>

// One value of a Windows profile (INI) file. The path must be a full path: the
// profile functions take a bare name as a file in the Windows folder, so an
// empty path reads nothing and writes nothing.

// The value, or an empty text when the file, the section or the key is missing.
// Values longer than `profile_read_capacity` - 1 characters are cut.
std::wstring read_profile_text(const std::wstring& path, const wchar_t* section, const wchar_t* key);

// Writes one key so that reading it back gives `value` again: the text stops at
// its first line break (a profile value is one line) and is put in quotes when
// the reader would otherwise strip blanks or quotes at its ends.
void write_profile_text(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                        const std::wstring& value);

// The text as it is stored in the file (see write_profile_text).
std::wstring encode_profile_value(const std::wstring& value);

// Larger than every field the settings fill; longer values are hand edits.
constexpr unsigned profile_read_capacity = 1024;
