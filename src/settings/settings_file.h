#pragma once
#include <string>

class ChatClient;

// The groups of keys that are (re)loaded together from "Settings.ini".
enum class SettingsGroup { passwords, channels, servers, server_defaults, preferences, favorite_nicknames };

void load_settings(ChatClient& client, SettingsGroup group);

// Full path of "Settings.ini" (app_folder + "Settings\\Settings.ini").
std::wstring settings_file_path(const ChatClient& client);
