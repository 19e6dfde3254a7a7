#pragma once
// Times as tests expect them: while a LineClock lives the user's time format
// is 24 hours with seconds, so a line's time reads "[HH:MM] ".
#include <ctime>
#include <cwchar>
#include <string>

#include "chat/line_time.h"

struct LineClock {
    wchar_t saved[80] = {};
    LineClock() { GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, saved, 80), use(L"HH:mm:ss"); }
    ~LineClock() { use(saved); }
    static void use(const wchar_t* format) {
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, format), forget_line_time_stamp();
    }
    // By the C runtime's zone rules: another way than the program's.
    static std::wstring stamp(long long utc_ms) {
        const __time64_t seconds = utc_ms / 1000;
        const tm* local = _localtime64(&seconds);
        wchar_t text[16] = L"?";
        if (local) std::swprintf(text, 16, L"[%02d:%02d] ", local->tm_hour, local->tm_min);
        return text;
    }
};
