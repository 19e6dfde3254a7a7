#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include "app/text.h"

// Gives the calling thread the locale of another language, and with it that
// language's ANSI code page (CP_THREAD_ACP), until the object goes away.
// Language 0 leaves the thread as it is.
class ThreadLanguage {
public:
    explicit ThreadLanguage(LANGID language) : saved_(GetThreadLocale()) {
        if (language) SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
    }
    ~ThreadLanguage() { SetThreadLocale(saved_); }
    ThreadLanguage(const ThreadLanguage&) = delete;
    ThreadLanguage& operator=(const ThreadLanguage&) = delete;

private:
    LCID saved_;
};

// Languages whose code pages disagree on the bytes 0x80-0xFF, each with a
// letter that has a byte of its own there.
struct CodePageCase {
    LANGID language;
    const wchar_t* probe;
    const char* probe_bytes;
    const char* name;
};
constexpr CodePageCase code_page_cases[] = {
    {0, L"\u00e9", "\xe9", "the thread's own, 1252 under Wine"},
    {MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), L"\u0436", "\xe6", "Russian, 1251"},
    {MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), L"\u65e5", "\x93\xfa", "Japanese, 932"},
};

// Runs `body` under each of those code pages that the thread really gets (a
// system may refuse a switch, and a run under the wrong page would prove
// nothing); returns how many ran.
template <class Body>
int under_each_code_page(Body body) {
    int ran = 0;
    for (const CodePageCase& page : code_page_cases) {
        ThreadLanguage language(page.language);
        if (narrow_text(page.probe, CP_THREAD_ACP) != page.probe_bytes) continue;
        SCOPED_TRACE(page.name);
        body();
        ++ran;
    }
    return ran;
}
