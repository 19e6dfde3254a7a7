#include "transfer/public_ip.h"

#include <windows.h>
#include <urlmon.h>

#include <cstdio>
#include <cwctype>
#include <mutex>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/ui_thread.h"
#include "transfer/ip_sharing.h"

namespace {
constexpr const wchar_t* answer_file_format = L"%s%smyip.txt";
constexpr const wchar_t* answer_folder = L"Downloads\\";
constexpr size_t answer_read_limit = 256;

std::mutex url_lock;
std::wstring url_override;

bool is_address_character(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F') || c == L'.' ||
           c == L':';
}

// The first line of the downloaded answer, or nothing when the file cannot be read.
bool read_first_line(const std::wstring& path, std::wstring& line) {
    FILE* file = _wfopen(path.c_str(), L"r");
    if (!file) return false;
    char buffer[answer_read_limit] = {};
    const bool read = fgets(buffer, sizeof buffer, file) != nullptr;
    fclose(file);
    line = read ? wide_text(buffer, strlen(buffer), CP_THREAD_ACP) : std::wstring();
    return true;
}
}  // namespace

void set_ip_echo_url(const std::wstring& url) {
    std::lock_guard<std::mutex> guard(url_lock);
    url_override = url;
}

std::wstring ip_echo_url() {
    {
        std::lock_guard<std::mutex> guard(url_lock);
        if (!url_override.empty()) return url_override;
    }
    wchar_t value[1024];
    DWORD length = GetEnvironmentVariableW(ip_echo_url_variable, value, 1024);
    if (length > 0 && length < 1024) return value;
    return default_ip_echo_url;
}

std::wstring address_from_text(const std::wstring& text) {
    std::wstring line = text.substr(0, text.find(L'\n'));
    size_t begin = 0, end = line.size();
    while (begin < end && iswspace(line[begin])) ++begin;
    while (end > begin && iswspace(line[end - 1])) --end;
    line = line.substr(begin, end - begin);
    if (line.size() > address_limit) line.resize(address_limit);
    for (wchar_t c : line)
        if (!is_address_character(c)) return {};
    return line;
}

bool store_public_ip(ChatClient& client, const std::wstring& text) {
    std::wstring address = address_from_text(text);
    if (address.empty()) return false;
    client.connection.public_ip = address;
    return true;
}

bool lookup_public_ip(ChatClient& client) {
    if (!client.app_folder[0]) return false;  // never a file in the current folder
    const std::wstring path = format_text(answer_file_format, client.app_folder, answer_folder);
    const std::wstring url = ip_echo_url();

    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const HRESULT download = URLDownloadToFileW(nullptr, url.c_str(), path.c_str(), 0, nullptr);
    if (SUCCEEDED(com)) CoUninitialize();
    if (FAILED(download)) return false;

    std::wstring line;
    if (!read_first_line(path, line)) return false;
    DeleteFileW(path.c_str());
    bool stored = false;
    run_on_ui_thread(client, [&] { stored = store_public_ip(client, line); });
    return stored;
}
