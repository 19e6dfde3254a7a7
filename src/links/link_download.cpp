#include "links/link_download.h"

#include <windows.h>
#include <wininet.h>

#include <cwchar>

#include "app/file_names.h"
#include "app/text.h"
#include "links/link_check.h"
#include "links/link_texts.h"
#include "mainwindow/main_window.h"
#include "net/internet_handle.h"

namespace {
// Each network step gives up after this long, so a server that accepts and
// then says nothing cannot hold a worker of the pool for ever.
constexpr DWORD step_timeout_ms = 15000;
// A link to an endless or enormous file must not fill the disk.
constexpr unsigned long long largest_download = 512ull * 1024 * 1024;
constexpr size_t path_limit = MAX_PATH - 1;
constexpr wchar_t downloads_folder[] = L"Downloads\\";
constexpr wchar_t partial_suffix[] = L".part";
constexpr wchar_t user_agent[] = L"Quillmere";

DownloadResult failure(DownloadResult::Kind kind, unsigned code = 0) {
    DownloadResult result;
    result.kind = kind;
    result.code = code;
    return result;
}

DownloadResult open_failure(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_CANNOT_CONNECT:
    case ERROR_INTERNET_TIMEOUT:
    case ERROR_INTERNET_CONNECTION_ABORTED:
    case ERROR_INTERNET_CONNECTION_RESET:
        return failure(DownloadResult::no_connection);
    default:
        return failure(DownloadResult::other_error, static_cast<unsigned>(HRESULT_FROM_WIN32(error)));
    }
}

void set_timeouts(HINTERNET handle) {
    DWORD timeout = step_timeout_ms;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionW(handle, option, &timeout, sizeof timeout);
}

// Reads the whole answer into `file`; the result says how it went.
DownloadResult copy_answer(HINTERNET request, HANDLE file) {
    char chunk[16384];
    unsigned long long total = 0;
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request, chunk, sizeof chunk, &read)) return failure(DownloadResult::download_failure);
        if (read == 0) return failure(DownloadResult::received);
        total += read;
        DWORD written = 0;
        if (total > largest_download || !WriteFile(file, chunk, read, &written, nullptr) || written != read)
            return failure(DownloadResult::download_failure);
    }
}

// Fetches into a partial file first, so that a failed download never leaves
// a truncated file under the real name (nor replaces a good one).
DownloadResult fetch(const std::wstring& link, const std::wstring& path) {
    InternetHandle session(InternetOpenW(user_agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.handle) return failure(DownloadResult::other_error, HRESULT_FROM_WIN32(GetLastError()));
    set_timeouts(session.handle);
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH;
    InternetHandle request(InternetOpenUrlW(session.handle, link.c_str(), nullptr, 0, flags, 0));
    if (!request.handle) return open_failure(GetLastError());
    // No status at all (the server closed without an answer) is a failed
    // download, not an empty file; redirections were followed already.
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoW(request.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
        status == 0)
        return failure(DownloadResult::download_failure);
    if (status < 200 || status >= 300) return failure(DownloadResult::server_error);

    const std::wstring partial = path + partial_suffix;
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return failure(DownloadResult::other_error, HRESULT_FROM_WIN32(GetLastError()));
    DownloadResult result = copy_answer(request.handle, file);
    CloseHandle(file);
    if (result.kind == DownloadResult::received &&
        !MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        result = failure(DownloadResult::other_error, HRESULT_FROM_WIN32(GetLastError()));
    if (result.kind != DownloadResult::received) DeleteFileW(partial.c_str());
    return result;
}

// The name shortened from the front (the end holds the extension) so that the
// path, with room for the partial file's suffix, stays within the system's limit.
std::wstring fitted_name(const std::wstring& folder, std::wstring name) {
    const size_t fixed = folder.size() + wcslen(downloads_folder) + wcslen(partial_suffix);
    if (fixed >= path_limit) return {};
    const size_t room = path_limit - fixed;
    if (name.size() > room) name = clean_file_name(name.substr(name.size() - room));
    return name;
}
}  // namespace

std::wstring download_file_name(const std::wstring& link) {
    const std::wstring address = link.substr(0, link.find_first_of(L"?#"));
    const size_t slash = address.find_last_of(L"/\\");
    const std::wstring last = slash == std::wstring::npos ? address : address.substr(slash + 1);
    return clean_file_name(last);
}

std::wstring download_result_text(const DownloadResult& result) {
    switch (result.kind) {
    case DownloadResult::received:
        return format_text(link_text::received_format, result.file_name);
    case DownloadResult::no_connection:
        return link_text::no_connection;
    case DownloadResult::server_error:
        return link_text::server_error;
    case DownloadResult::download_failure:
        return link_text::download_failure;
    case DownloadResult::other_error: {
        wchar_t digits[9] = {};
        swprintf(digits, 9, L"%08X", result.code);
        return format_text(link_text::other_error_format, digits);
    }
    default:
        return {};
    }
}

DownloadResult download_link(const std::wstring& folder, const std::wstring& link) {
    // Whatever is not a web address never reaches the network library, which
    // would read a local path or another scheme as readily.
    if (!is_web_link(link)) return {};
    const std::wstring name = fitted_name(folder, download_file_name(link));
    if (name.empty()) return {};
    DownloadResult result = fetch(link, folder + downloads_folder + name);
    result.file_name = name;
    show_status_notice(link_text::download_title,
                       narrow_text(download_result_text(result).c_str(), CP_THREAD_ACP).c_str());
    return result;
}
