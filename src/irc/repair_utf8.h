#pragma once
#include <string>

// Text sent as UTF-8 but read one byte per character through the ANSI code
// page ("Ã©" for "é") decoded again as UTF-8. No validation beyond dropping
// code points that UTF-16 cannot hold.
std::wstring repair_utf8(const std::wstring& text);

// The marks of such a misreading: U+00C2 or U+00C3 anywhere in the text.
bool looks_like_misread_utf8(const std::wstring& text);
