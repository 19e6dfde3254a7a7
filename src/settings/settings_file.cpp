#include "settings/settings_file.h"

#include <windows.h>

#include <cwchar>

#include "app/chat_client.h"
#include "app/text.h"
#include "settings/profile_text.h"
#include "settings/settings_keys.h"
#include "settings/settings_loaders.h"
#include "settings/switch_rules.h"

namespace {
constexpr const wchar_t* settings_path_format = L"%s%s%s";
constexpr const wchar_t* settings_folder = L"Settings\\";
constexpr const wchar_t* settings_file_name = L"Settings.ini";

bool is_ascii_letter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool is_full_path(const std::wstring& folder) {
    if (folder.size() < 3) return false;
    const bool drive = is_ascii_letter(folder[0]) && folder[1] == L':' && folder[2] == L'\\';
    const bool share = folder[0] == L'\\' && folder[1] == L'\\' && folder[2] != L'\\';
    return drive || share;
}
}  // namespace

std::wstring settings_file_path(const ChatClient& client) {
    std::wstring folder(client.app_folder, wcsnlen(client.app_folder, app_folder_capacity));
    if (!is_full_path(folder)) return {};
    if (folder.back() != L'\\') folder += L'\\';
    std::wstring path = format_text(settings_path_format, folder, settings_folder, settings_file_name);
    if (path.size() >= MAX_PATH) return {};
    return path;
}

std::wstring read_setting(const ChatClient& client, const wchar_t* section, const wchar_t* key) {
    return read_profile_text(settings_file_path(client), section, key);
}

void write_setting(const ChatClient& client, const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    write_profile_text(settings_file_path(client), section, key, value);
}

void remove_setting(const ChatClient& client, const wchar_t* section, const wchar_t* key) {
    const std::wstring path = settings_file_path(client);
    if (!path.empty()) WritePrivateProfileStringW(section, key, nullptr, path.c_str());
}

void write_switch_setting(const ChatClient& client, const wchar_t* section, const wchar_t* key, bool on) {
    write_setting(client, section, key, switch_text(on));
}

std::wstring numbered_key(const wchar_t* key_format, int number) { return format_text(key_format, number); }

bool read_random_nickname(const ChatClient& client) {
    return read_exact_true(
        read_setting(client, settings_key::preferences_section, settings_key::random_nickname).c_str());
}

void write_random_nickname(const ChatClient& client, bool on) {
    write_switch_setting(client, settings_key::preferences_section, settings_key::random_nickname, on);
}

void load_settings(ChatClient& client, SettingsGroup group) {
    switch (group) {
    case SettingsGroup::passwords:
        load_password_settings(client);
        break;
    case SettingsGroup::channels:
        load_channel_settings(client);
        break;
    case SettingsGroup::servers:
        load_server_settings(client);
        break;
    case SettingsGroup::server_defaults:
        load_server_default_settings(client);
        break;
    case SettingsGroup::preferences:
        load_preference_settings(client);
        break;
    case SettingsGroup::favorite_nicknames:
        load_favorite_nickname_settings(client);
        break;
    }
}
