#include "settings/protected_secret.h"

#include <windows.h>
#include <wincrypt.h>

#include "app/base64.h"
#include "app/wire_text.h"

namespace {
constexpr wchar_t protected_mark[] = L"protected:";
constexpr size_t protected_mark_length = sizeof(protected_mark) / sizeof(wchar_t) - 1;
// Settings values are read into buffers of limited size; a secret beyond
// this is no password.
constexpr size_t longest_secret = 256;
}  // namespace

std::wstring protect_secret(const std::wstring& secret) {
    if (secret.empty()) return {};
    const std::string bytes = utf8_text(secret.substr(0, longest_secret));
    DATA_BLOB in{static_cast<DWORD>(bytes.size()), reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()))};
    DATA_BLOB out{};
    if (!CryptProtectData(&in, L"Quillmere", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return {};
    const std::string sealed(reinterpret_cast<const char*>(out.pbData), out.cbData);
    LocalFree(out.pbData);
    return protected_mark + text_from_utf8(base64_encode(sealed));
}

SecretState open_secret(const std::wstring& stored, std::wstring& secret) {
    secret.clear();
    if (stored.compare(0, protected_mark_length, protected_mark) != 0) {
        secret = stored.substr(0, longest_secret);
        return SecretState::plain;
    }
    std::string sealed;
    if (!base64_decode(utf8_text(stored.substr(protected_mark_length)), sealed) || sealed.empty())
        return SecretState::unreadable;
    DATA_BLOB in{static_cast<DWORD>(sealed.size()), reinterpret_cast<BYTE*>(&sealed[0])};
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return SecretState::unreadable;
    secret = text_from_utf8(reinterpret_cast<const char*>(out.pbData), out.cbData);
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return SecretState::protected_;
}
