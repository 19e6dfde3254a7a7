#pragma once
#include <string>

class ChatClient;

// The groups of keys that are (re)loaded together from "Settings.ini".
enum class SettingsGroup { passwords, channels, servers, server_defaults, preferences, favorite_nicknames };

void load_settings(ChatClient& client, SettingsGroup group);

// Full path of "Settings.ini" (app_folder + "Settings\\Settings.ini"). Empty
// when app_folder is not a full path or the result would not fit in MAX_PATH:
// the settings then read as defaults and writes go nowhere, rather than into
// some file the system picks.
std::wstring settings_file_path(const ChatClient& client);

// One value of the settings file, empty when missing. Section and key names
// are in settings/settings_keys.h.
std::wstring read_setting(const ChatClient& client, const wchar_t* section, const wchar_t* key);

// Writes one key at once. A value is one line: it stops at its first line
// break. Write failures (no Settings folder) are silent.
void write_setting(const ChatClient& client, const wchar_t* section, const wchar_t* key, const std::wstring& value);

// Deletes one key (nothing when it is missing).
void remove_setting(const ChatClient& client, const wchar_t* section, const wchar_t* key);

// Writes a switch as "true" or "false".
void write_switch_setting(const ChatClient& client, const wchar_t* section, const wchar_t* key, bool on);

// The name of slot `number` of a numbered key, e.g. numbered_key(settings_key::user_password, 5).
std::wstring numbered_key(const wchar_t* key_format, int number);

// The connect dialog's "Random Nickname" box: on only for exactly "true".
bool read_random_nickname(const ChatClient& client);
void write_random_nickname(const ChatClient& client, bool on);
