#pragma once
#include <string>

// Passwords kept in Settings.ini are protected by Windows for the user
// (DPAPI): the file holds "protected:" and the sealed bytes in Base64, which
// only the same user on the same machine can open.

std::wstring protect_secret(const std::wstring& secret);

enum class SecretState {
    plain,      // written by hand: used as it is, to be stored protected
    protected_, // opened
    unreadable, // sealed for another user or machine (or damaged): ask again
};
SecretState open_secret(const std::wstring& stored, std::wstring& secret);
