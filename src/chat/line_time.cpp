#include "chat/line_time.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <vector>

#include "app/text.h"
#include "chat/chat_record.h"
#include "chat/line_time_texts.h"

namespace {
thread_local long long line_time = 0;

// FILETIME counts 100-nanosecond steps from 1601-01-01 UTC.
constexpr long long filetime_per_ms = 10000;
constexpr long long ms_from_1601_to_1970 = 11644473600000LL;
constexpr long long ms_per_minute = 60000;

struct StampCache {
    long long minute = LLONG_MIN;
    std::wstring text;
};
thread_local StampCache stamp_cache;
std::atomic<long long> stamp_width{0};
}  // namespace

long long current_line_time() { return line_time; }

LineTimeScope::LineTimeScope(long long time) : previous_(line_time) { line_time = time; }

LineTimeScope::~LineTimeScope() { line_time = previous_; }

long long utc_now_ms() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const long long ticks = (static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return ticks / filetime_per_ms - ms_from_1601_to_1970;
}

bool local_time_of(long long utc_ms, SYSTEMTIME& local, const TIME_ZONE_INFORMATION* zone) {
    if (utc_ms < 0) return false;
    const unsigned long long ticks = static_cast<unsigned long long>(utc_ms + ms_from_1601_to_1970) * filetime_per_ms;
    FILETIME file;
    file.dwLowDateTime = static_cast<DWORD>(ticks);
    file.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    SYSTEMTIME utc;
    if (!FileTimeToSystemTime(&file, &utc)) return false;
    return SystemTimeToTzSpecificLocalTime(zone, &utc, &local) != FALSE;
}

const std::wstring& line_time_stamp(long long utc_ms) {
    // Zones are whole quarter hours from UTC: a UTC minute is one local minute.
    const long long minute = utc_ms >= 0 ? utc_ms / ms_per_minute : -1;
    if (minute == stamp_cache.minute) return stamp_cache.text;
    stamp_cache.minute = minute;
    stamp_cache.text.clear();
    SYSTEMTIME local;
    wchar_t shown[64];
    if (local_time_of(utc_ms, local, nullptr) &&
        GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, shown,
                        static_cast<int>(sizeof shown / sizeof shown[0])) > 0)
        stamp_cache.text = format_text(line_time_text::stamp_format, shown);
    stamp_width.store(static_cast<long long>(stamp_cache.text.size()), std::memory_order_relaxed);
    return stamp_cache.text;
}

long long line_time_width() {
    return stamp_width.load(std::memory_order_relaxed);
}

void note_times_off() {
    stamp_width.store(0, std::memory_order_relaxed);
}

void forget_line_time_stamp() {
    stamp_cache.minute = LLONG_MIN;
}

size_t stamp_line_time(PendingLine& piece, bool at_line_start) {
    const long long when = piece.server_time ? piece.server_time : piece.arrived ? piece.arrived : utc_now_ms();
    const std::wstring& stamp = line_time_stamp(when);
    if (stamp.empty()) return 0;
    // Where the lines of the piece begin: its start when it starts a line,
    // and after each line end inside it; an empty line gets no time.
    std::vector<size_t> starts;
    const std::wstring& text = piece.text;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(L"\r\n", at), text.size());
        if (end > at && (at > 0 || at_line_start)) starts.push_back(at);
        at = end + 2;
    }
    if (starts.empty()) return 0;
    std::wstring stamped;
    stamped.reserve(text.size() + starts.size() * stamp.size());
    size_t copied = 0;
    for (size_t start : starts) {
        stamped.append(text, copied, start - copied).append(stamp);
        copied = start;
    }
    stamped.append(text, copied, std::wstring::npos);
    // A run that begins where a time goes in begins after it.
    for (FormatRun& run : piece.runs) {
        const auto before = std::upper_bound(starts.begin(), starts.end(), size_t{run.start}) - starts.begin();
        run.start += static_cast<std::uint32_t>(before * stamp.size());
    }
    piece.text.swap(stamped);
    return starts.size() * stamp.size();
}

bool ends_line(const PendingLine& piece) {
    const std::wstring& text = piece.text;
    return piece.line_break || (text.size() >= 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0);
}

bool has_inner_lines(const PendingLine& piece) {
    return piece.text.find(L"\r\n") != std::wstring::npos;
}
