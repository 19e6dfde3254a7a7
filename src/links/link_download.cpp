#include "links/link_download.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cwchar>
#include <mutex>

#include <memory>

#include "app/file_names.h"
#include "app/text.h"
#include "app/zone_mark.h"
#include "links/async_fetch.h"
#include "links/link_check.h"
#include "links/link_host.h"
#include "links/link_texts.h"
#include "links/rolling_limit.h"
#include "mainwindow/main_window.h"

namespace {
constexpr unsigned long long hour_ms = 60ull * 60 * 1000;
constexpr unsigned long long budget_grain_ms = 1000;
constexpr size_t path_limit = MAX_PATH - 1;
constexpr wchar_t downloads_folder[] = L"Downloads\\";
constexpr wchar_t partial_suffix[] = L".part";
// Room a free name may add: " (9999)".
constexpr size_t numbered_suffix_length = 7;
// Another writer may take the free name between the look and the move.
constexpr int move_attempts = 8;
constexpr wchar_t user_agent[] = L"Quillmere";

// The limits and the bytes of the last hour, shared by every worker. Never
// destroyed: a worker may still be reading when the process ends.
struct Budget {
    std::mutex lock;
    DownloadLimits limits;
    RollingLimit last_hour{limits.bytes_per_hour, hour_ms, budget_grain_ms};
    RollingLimit downloads_last_hour{limits.downloads_per_hour, hour_ms, budget_grain_ms};
};

Budget& budget() {
    static Budget* shared = new Budget;
    return *shared;
}

bool take_from_budget(unsigned long long bytes) {
    Budget& shared = budget();
    std::lock_guard<std::mutex> guard(shared.lock);
    return shared.last_hour.take(bytes, GetTickCount64());
}

bool take_one_download() {
    Budget& shared = budget();
    std::lock_guard<std::mutex> guard(shared.lock);
    return shared.downloads_last_hour.take(1, GetTickCount64());
}

DownloadResult failure(DownloadResult::Kind kind, unsigned code = 0) {
    DownloadResult result;
    result.kind = kind;
    result.code = code;
    return result;
}

DownloadResult system_failure(DWORD error) {
    return failure(DownloadResult::other_error, static_cast<unsigned>(HRESULT_FROM_WIN32(error)));
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
        return system_failure(error);
    }
}

// Where a download stands against its limits, looked at after each step.
class Pace {
public:
    Pace(const DownloadLimits& limits, DownloadCancel* cancel)
        : limits_(limits), cancel_(cancel), start_(GetTickCount64()), window_start_(start_) {}

    // Not received: how the download must end now, if it must.
    DownloadResult::Kind check(unsigned long long total) {
        if (cancel_ && cancel_->cancelled()) return DownloadResult::cancelled;
        const unsigned long long now = GetTickCount64();
        if (now - start_ > limits_.deadline_ms) return DownloadResult::took_too_long;
        if (now - window_start_ >= limits_.rate_window_ms) {
            if (total - window_bytes_ < limits_.least_bytes_per_window) return DownloadResult::too_slow;
            window_start_ = now;
            window_bytes_ = total;
        }
        return DownloadResult::received;
    }
    unsigned long long largest_file() const { return limits_.largest_file; }
    unsigned long long deadline() const { return start_ + limits_.deadline_ms; }
    DWORD step_timeout_ms() const { return limits_.step_timeout_ms; }

private:
    DownloadLimits limits_;
    DownloadCancel* cancel_;
    unsigned long long start_, window_start_, window_bytes_ = 0;
};

// Reads the whole answer into `file`; the result says how it went. Each read
// takes only what has arrived, so a trickling server returns every read
// within the step time-out and the limits are looked at in between.
DownloadResult copy_answer(AsyncFetch& fetch, HANDLE file, Pace& pace) {
    unsigned long long total = 0;
    for (;;) {
        DWORD read = 0, error = 0;
        const AsyncFetch::Step step = fetch.read(read, error);
        if (step == AsyncFetch::cancelled) return failure(DownloadResult::cancelled);
        if (step == AsyncFetch::timed_out) return failure(DownloadResult::took_too_long);
        if (step == AsyncFetch::failed) {
            const DownloadResult::Kind verdict = pace.check(total);
            return failure(verdict != DownloadResult::received ? verdict : DownloadResult::download_failure);
        }
        if (read == 0) return failure(DownloadResult::received);
        total += read;
        if (total > pace.largest_file()) return failure(DownloadResult::download_failure);
        if (!take_from_budget(read)) return failure(DownloadResult::over_budget);
        DWORD written = 0;
        if (!WriteFile(file, fetch.data(), read, &written, nullptr) || written != read)
            return failure(DownloadResult::download_failure);
        const DownloadResult::Kind verdict = pace.check(total);
        if (verdict != DownloadResult::received) return failure(verdict);
    }
}

// Gives the finished partial file the first free name at `path`; the name
// it took goes into `saved`.
DownloadResult keep_file(const std::wstring& partial, const std::wstring& path, std::wstring& saved) {
    for (int attempt = 0; attempt < move_attempts; ++attempt) {
        saved = free_file_path(path);
        if (saved.empty()) return system_failure(ERROR_FILE_EXISTS);
        if (MoveFileExW(partial.c_str(), saved.c_str(), 0)) return failure(DownloadResult::received);
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return system_failure(error);
    }
    return system_failure(ERROR_FILE_EXISTS);
}

bool is_redirection(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Where a redirection leads, made whole against the address it came from;
// empty when that is not a web address.
std::wstring redirection_target(HINTERNET request, const std::wstring& from) {
    wchar_t location[web_link_limit + 1] = {};
    DWORD size = sizeof location - sizeof(wchar_t);
    if (!HttpQueryInfoW(request, HTTP_QUERY_LOCATION, location, &size, nullptr)) return {};
    wchar_t target[web_link_limit + 1] = {};
    DWORD length = web_link_limit;
    if (!InternetCombineUrlW(from.c_str(), location, target, &length, ICU_NO_ENCODE)) return {};
    return is_web_link(target) ? std::wstring(target) : std::wstring();
}

// Opens the link and follows its redirections by hand, judging each address
// as the link was judged: the library would follow one into the user's
// network. `fetch` holds the final answer when received.
DownloadResult open_answer(std::wstring url, const DownloadRequest& request, Pace& pace, DownloadCancel* cancel,
                           std::unique_ptr<AsyncFetch>& fetch) {
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_NO_AUTO_REDIRECT;
    for (int redirections = 0;; ++redirections) {
        fetch = std::make_unique<AsyncFetch>(cancel ? cancel->event() : nullptr, pace.deadline());
        DWORD error = 0;
        const AsyncFetch::Step opened = fetch->open(user_agent, url, flags, pace.step_timeout_ms(), error);
        if (opened == AsyncFetch::cancelled) return failure(DownloadResult::cancelled);
        if (opened == AsyncFetch::timed_out) return failure(DownloadResult::took_too_long);
        const DownloadResult::Kind verdict = pace.check(0);
        if (verdict != DownloadResult::received) return failure(verdict);
        // The name may have resolved elsewhere than when it was looked at.
        if (!request.allow_local && fetch->reached_local_address() && !fetch->through_proxy())
            return failure(DownloadResult::local_host);
        if (opened == AsyncFetch::failed) return open_failure(error);
        // No status at all (the server closed without an answer) is a failed
        // download, not an empty file.
        DWORD status = 0, size = sizeof status;
        if (!HttpQueryInfoW(fetch->request(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                            nullptr) ||
            status == 0)
            return failure(DownloadResult::download_failure);
        if (!is_redirection(status)) {
            if (status < 200 || status >= 300) return failure(DownloadResult::server_error);
            return failure(DownloadResult::received);
        }
        if (redirections == redirections_followed) return failure(DownloadResult::server_error);
        url = redirection_target(fetch->request(), url);
        if (url.empty()) return failure(DownloadResult::server_error);
        if (!request.allow_local) {
            const HostReach reach = judge_link_host(url);
            if (reach == HostReach::local) return failure(DownloadResult::local_host);
            if (reach == HostReach::unresolved) return failure(DownloadResult::no_connection);
        }
    }
}

// Fetches into a partial file first, so that a failed download never leaves
// a truncated file under the real name; the finished file takes a free name,
// never replacing one. `saved` receives the path it was saved under.
DownloadResult fetch(const std::wstring& link, const std::wstring& path, DownloadCancel* cancel,
                     const DownloadRequest& request, std::wstring& saved) {
    Pace pace(download_limits(), cancel);
    std::unique_ptr<AsyncFetch> answer;
    const DownloadResult opened = open_answer(link, request, pace, cancel, answer);
    if (opened.kind != DownloadResult::received) return opened;

    const std::wstring partial = free_file_path(path + partial_suffix);
    if (partial.empty()) return system_failure(ERROR_FILE_EXISTS);
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return system_failure(GetLastError());
    DownloadResult result = copy_answer(*answer, file, pace);
    CloseHandle(file);
    if (result.kind == DownloadResult::received) result = keep_file(partial, path, saved);
    if (result.kind != DownloadResult::received) DeleteFileW(partial.c_str());
    return result;
}

// The name shortened from the front (the end holds the extension) so that the
// path, with room for a free name's number and the partial file's suffix,
// stays within the system's limit.
std::wstring fitted_name(const std::wstring& folder, std::wstring name) {
    const size_t fixed = folder.size() + wcslen(downloads_folder) + numbered_suffix_length + wcslen(partial_suffix);
    if (fixed >= path_limit) return {};
    const size_t room = path_limit - fixed;
    if (name.size() > room) name = clean_file_name(name.substr(name.size() - room));
    return name;
}
}  // namespace

void set_download_limits(const DownloadLimits& limits) {
    Budget& shared = budget();
    std::lock_guard<std::mutex> guard(shared.lock);
    shared.limits = limits;
    shared.last_hour = RollingLimit(limits.bytes_per_hour, hour_ms, budget_grain_ms);
    shared.downloads_last_hour = RollingLimit(limits.downloads_per_hour, hour_ms, budget_grain_ms);
}

DownloadLimits download_limits() {
    Budget& shared = budget();
    std::lock_guard<std::mutex> guard(shared.lock);
    return shared.limits;
}

namespace {
std::atomic<bool> local_downloads_allowed{false};
}  // namespace

void allow_local_link_downloads(bool allowed) {
    local_downloads_allowed = allowed;
}

bool local_link_downloads_allowed() {
    return local_downloads_allowed;
}

std::wstring download_file_name(const std::wstring& link) {
    const std::wstring address = link.substr(0, link.find_first_of(L"?#"));
    const size_t slash = address.find_last_of(L"/\\");
    const std::wstring last = slash == std::wstring::npos ? address : address.substr(slash + 1);
    return clean_file_name(last);
}

bool download_type_allowed(const std::wstring& name, const DownloadRequest& request) {
    static const wchar_t* const image_types[] = {L"jpg", L"jpeg", L"gif", L"png", L"webp", L"jfif", L"bmp", L"avif"};
    const std::wstring type = file_extension(name);
    for (const wchar_t* image : image_types)
        if (type == image) return true;
    return request.video && !is_runnable_file_type(name);
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
    case DownloadResult::took_too_long:
        return link_text::took_too_long;
    case DownloadResult::too_slow:
        return link_text::too_slow;
    case DownloadResult::over_budget:
        return format_text(link_text::over_budget_format, format_byte_amount(download_limits().bytes_per_hour));
    case DownloadResult::too_many:
        return format_text(link_text::too_many_format, static_cast<long long>(download_limits().downloads_per_hour));
    case DownloadResult::refused_type:
        return format_text(link_text::refused_type_format, result.file_name);
    case DownloadResult::local_host:
        return link_text::local_host;
    default:
        return {};
    }
}

namespace {
// What must hold before anything is asked of the network.
DownloadResult::Kind judge_before_fetching(const std::wstring& link, const std::wstring& name,
                                           const DownloadRequest& request) {
    if (!download_type_allowed(name, request)) return DownloadResult::refused_type;
    if (!take_one_download()) return DownloadResult::too_many;
    if (request.allow_local) return DownloadResult::received;
    switch (judge_link_host(link)) {
    case HostReach::local:
        return DownloadResult::local_host;
    case HostReach::unresolved:
        return DownloadResult::no_connection;
    default:
        return DownloadResult::received;
    }
}
}  // namespace

DownloadResult download_link(const std::wstring& folder, const std::wstring& link, DownloadCancel* cancel,
                             const DownloadRequest& request) {
    // Whatever is not a web address never reaches the network library, which
    // would read a local path or another scheme as readily.
    if (!is_web_link(link)) return {};
    const std::wstring name = fitted_name(folder, download_file_name(link));
    if (name.empty()) return {};
    std::wstring saved;
    DownloadResult result = failure(judge_before_fetching(link, name, request));
    if (result.kind == DownloadResult::received)
        result = fetch(link, folder + downloads_folder + name, cancel, request, saved);
    // Marked before the user hears of it: Windows checks the mark when the
    // file is opened.
    if (result.kind == DownloadResult::received) mark_from_internet(saved, link);
    result.file_name = saved.empty() ? name : saved.substr(saved.find_last_of(L'\\') + 1);
    const std::wstring text = download_result_text(result);
    if (!text.empty()) show_status_notice(link_text::download_title, text);
    return result;
}
