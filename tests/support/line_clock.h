#pragma once
// The times in front of chat lines, as a test expects them: the user's time
// format is set to 24 hours for the test's span, so a time reads "[HH:MM] ".
#include <windows.h>

#include <cwchar>
#include <string>

#include "chat/line_time.h"

class TwentyFourHourClock {
public:
    TwentyFourHourClock() {
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, saved_, 80);
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, L"HH:mm:ss");
    }
    ~TwentyFourHourClock() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, saved_); }
    TwentyFourHourClock(const TwentyFourHourClock&) = delete;
    TwentyFourHourClock& operator=(const TwentyFourHourClock&) = delete;

private:
    wchar_t saved_[80] = {};
};

// "[HH:MM] " of a time (ms since 1970 UTC) in the system's zone.
inline std::wstring stamp_of(long long utc_ms) {
    SYSTEMTIME local{};
    if (!local_time_of(utc_ms, local)) return L"(no time)";
    wchar_t text[16];
    std::swprintf(text, 16, L"[%02d:%02d] ", int(local.wHour), int(local.wMinute));
    return text;
}

// Whether `text` holds `line` with the time of a moment from `since` until
// now in front of it (the minute may turn meanwhile).
inline bool shows_with_time_since(const std::wstring& text, const std::wstring& line, long long since) {
    return text.find(stamp_of(since) + line) != std::wstring::npos ||
           text.find(stamp_of(utc_now_ms()) + line) != std::wstring::npos;
}
