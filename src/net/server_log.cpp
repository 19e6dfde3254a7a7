#include "net/server_log.h"

#include <windows.h>

#include <cstdio>

#include "app/chat_client.h"
#include "app/text.h"

namespace {
constexpr const wchar_t* log_folder = L"Downloads\\";
constexpr const wchar_t* log_name = L"server_data_log.txt";
}  // namespace

std::wstring server_log_path(const ChatClient& client) {
    return format_text(L"%s%s%s", client.app_folder, log_folder, log_name);
}

bool write_server_log(ChatClient& client, const std::wstring& line) {
    if (!client.app_folder[0]) return false;  // never a file in the current folder
    // The wide path reaches folders whose names the 8-bit code page cannot spell.
    FILE* file = _wfopen(server_log_path(client).c_str(), L"a");
    if (!file) return false;
    std::string bytes = narrow_text(line.c_str(), CP_THREAD_ACP);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fputc('\n', file);
    fflush(file);
    fclose(file);
    return true;
}
