#include <string>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "mainwindow/build_steps.h"
#include "mainwindow/main_window.h"

namespace {
// Longest path the system can hand back (the "\\?\" form).
constexpr DWORD module_path_capacity = 32768;
}

std::wstring folder_of_path(const wchar_t* path) {
    if (!path) return {};
    const std::wstring text = path;
    const size_t last = text.find_last_of(L"\\/");
    if (last == std::wstring::npos) return {};
    return text.substr(0, last + 1);
}

void set_app_folder(ChatClient& client) {
    client.app_folder[0] = L'\0';
    std::vector<wchar_t> path(module_path_capacity);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), module_path_capacity);
    if (length == 0 || length >= module_path_capacity) return;
    const std::wstring folder = folder_of_path(path.data());
    // A folder cut to fit would name some other place: leave it empty instead,
    // which the settings and download code treat as "no folder".
    if (folder.size() >= static_cast<size_t>(app_folder_capacity)) return;
    copy_text(client.app_folder, folder.c_str());
}
