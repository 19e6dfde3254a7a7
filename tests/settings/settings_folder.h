#pragma once
#include <windows.h>

#include <string>

#include "app/chat_client.h"

// A program folder of its own for a test: a fresh temporary folder (with or
// without Settings\ in it) that the test client's app_folder points at until
// the object goes away. Message boxes are answered with OK meanwhile, so that
// nothing a load triggers can hang the test.
class SettingsFolder {
public:
    explicit SettingsFolder(bool with_settings_folder = true);
    ~SettingsFolder();
    SettingsFolder(const SettingsFolder&) = delete;
    SettingsFolder& operator=(const SettingsFolder&) = delete;

    // Replaces Settings.ini with these bytes (8-bit text, lines ending in \r\n).
    void write_ini(const std::string& bytes) const;
    // Replaces Settings.ini with this text as UTF-16 (with its byte order
    // mark), which holds characters that no 8-bit file of this system can.
    void write_unicode_ini(const std::wstring& text) const;
    // Points the client at this folder (again).
    void use() const;

    ChatClient& client;
    std::wstring folder;

private:
    wchar_t saved_folder_[app_folder_capacity] = {};
};

// A hidden child control of the main window standing in for one of the
// client's control handles (password box, filter box...) for one test.
class StandInControl {
public:
    StandInControl(HWND& handle, const wchar_t* window_class, DWORD style);
    ~StandInControl();
    StandInControl(const StandInControl&) = delete;
    StandInControl& operator=(const StandInControl&) = delete;
    HWND window = nullptr;

private:
    HWND& handle_;
    HWND saved_;
};

// Items of a combo box, in order.
std::wstring combo_item(HWND combo, int index);

// A line "key=value\r\n" where the value is `count` copies of `c`.
std::string repeated_value_line(const char* key, char c, size_t count);
