#include "dialogs/demo_dialog.h"

#include <windows.h>

#include <cwchar>

#include "app/chat_client.h"
#include "dialogs/directory_listing.h"
#include "resources/resource_ids.h"

namespace {
constexpr const wchar_t* option = L"--demo-dialog=";
int requested_command = 0;
}  // namespace

void request_demo_dialog(const wchar_t* command_line) {
    const wchar_t* found = command_line ? std::wcsstr(command_line, option) : nullptr;
    if (!found) return;
    const wchar_t* value = found + std::wcslen(option);
    if (std::wcsncmp(value, L"directory", 9) == 0) requested_command = IDM_JOIN_ALL_CHANNELS;
    else if (std::wcsncmp(value, L"preferences", 11) == 0) requested_command = IDM_PREFERENCES;
}

void start_requested_dialog(ChatClient& client) {
    if (!requested_command) return;
    // Offline the directory shows what is in memory: the cached rows.
    if (requested_command == IDM_JOIN_ALL_CHANNELS) load_directory_cache(client.servers[1].name, client);
    PostMessageW(client.main_window, WM_COMMAND, requested_command, 0);
}
