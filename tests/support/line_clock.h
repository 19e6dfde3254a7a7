#pragma once
// Chat-line times as tests expect them: while a LineClock lives the user's
// time format is 24 hours with seconds, so a time reads "[HH:MM] ".
#include <windows.h>

#include <cwchar>
#include <string>

#include "chat/line_time.h"

struct LineClock {
    wchar_t saved[80] = {};
    LineClock() {
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, saved, 80);
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, L"HH:mm:ss");
    }
    ~LineClock() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, saved); }
    static std::wstring stamp(long long utc_ms) {
        SYSTEMTIME local{};
        wchar_t text[16] = L"(no time)";
        if (local_time_of(utc_ms, local)) std::swprintf(text, 16, L"[%02d:%02d] ", local.wHour, local.wMinute);
        return text;
    }
    // Whether `text` holds `line` behind the time of a moment from `since` on.
    static bool shows(const std::wstring& text, const std::wstring& line, long long since) {
        return text.find(stamp(since) + line) != std::wstring::npos ||
               text.find(stamp(utc_now_ms()) + line) != std::wstring::npos;
    }
};
