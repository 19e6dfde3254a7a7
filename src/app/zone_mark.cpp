#include "app/zone_mark.h"

#include <windows.h>

#include <atomic>

#include "app/wire_text.h"

namespace {
constexpr char zone_header[] = "[ZoneTransfer]\r\nZoneId=3\r\n";
constexpr wchar_t stream_suffix[] = L":Zone.Identifier";
constexpr size_t url_limit = 2048;

std::atomic<ZoneMarkObserver> observer{nullptr};

bool fits_one_line(const std::wstring& url) {
    if (url.empty() || url.size() > url_limit) return false;
    for (wchar_t c : url)
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029) return false;
    return true;
}
// Asked first rather than found out by trying: where streams are unknown a
// name with a colon must not become a file of its own.
bool volume_has_streams(const std::wstring& path) {
    wchar_t volume[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(path.c_str(), volume, MAX_PATH)) return false;
    DWORD flags = 0;
    if (!GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) return false;
    return (flags & FILE_NAMED_STREAMS) != 0;
}
}  // namespace

std::string zone_identifier_text(const std::wstring& host_url, const std::wstring& referrer_url) {
    std::string text = zone_header;
    if (fits_one_line(referrer_url)) text += "ReferrerUrl=" + utf8_text(referrer_url) + "\r\n";
    if (fits_one_line(host_url)) text += "HostUrl=" + utf8_text(host_url) + "\r\n";
    return text;
}

bool mark_from_internet(const std::wstring& path, const std::wstring& host_url, const std::wstring& referrer_url) {
    const std::string text = zone_identifier_text(host_url, referrer_url);
    if (const ZoneMarkObserver told = observer.load()) told(path, text);
    if (path.empty() || !volume_has_streams(path)) return false;
    const std::wstring stream = path + stream_suffix;
    HANDLE file = CreateFileW(stream.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                       written == text.size();
    CloseHandle(file);
    return whole;
}

void observe_zone_marks(ZoneMarkObserver told) {
    observer = told;
}
