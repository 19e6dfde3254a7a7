#include "settings_folder.h"

#include <vector>

#include "app/text.h"
#include "framework/message_box.h"
#include "support/test_client.h"

namespace {
// Wine hands out the same small process ids run after run, so a folder name
// made of the process id and a counter may already hold an older run's files.
std::wstring fresh_folder() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    std::wstring tag = format_text(L"settings-%d", static_cast<int>(now.QuadPart & 0x3fffffff));
    return make_temp_folder(tag.c_str());
}

void remove_settings(const std::wstring& folder) {
    DeleteFileW((folder + L"Settings\\Settings.ini").c_str());
    RemoveDirectoryW((folder + L"Settings").c_str());
}
}  // namespace

SettingsFolder::SettingsFolder(bool with_settings_folder) : client(test_client()), folder(fresh_folder()) {
    copy_text(saved_folder_, client.app_folder);
    remove_settings(folder);
    if (with_settings_folder) CreateDirectoryW((folder + L"Settings").c_str(), nullptr);
    use();
    set_message_box_hook([](HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; });
}

SettingsFolder::~SettingsFolder() {
    copy_text(client.app_folder, saved_folder_);
    set_message_box_hook(nullptr);
    remove_settings(folder);
    RemoveDirectoryW(folder.c_str());
}

void SettingsFolder::use() const { copy_text(client.app_folder, folder.c_str()); }

void SettingsFolder::write_ini(const std::string& bytes) const {
    std::wstring path = folder + L"Settings\\Settings.ini";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void SettingsFolder::write_unicode_ini(const std::wstring& text) const {
    std::string bytes = "\xff\xfe";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xff);
        bytes += static_cast<char>((c >> 8) & 0xff);
    }
    write_ini(bytes);
}

StandInControl::StandInControl(HWND& handle, const wchar_t* window_class, DWORD style)
    : handle_(handle), saved_(handle) {
    window = CreateWindowExW(0, window_class, L"", WS_CHILD | style, 0, 0, 200, 200, test_client().main_window,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    handle_ = window;
}

StandInControl::~StandInControl() {
    handle_ = saved_;
    if (window) DestroyWindow(window);
}

std::wstring combo_item(HWND combo, int index) {
    LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length < 0) return L"<none>";
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

std::string repeated_value_line(const char* key, char c, size_t count) {
    return std::string(key) + "=" + std::string(count, c) + "\r\n";
}
