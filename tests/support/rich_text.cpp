#include "support/rich_text.h"

#include <richedit.h>

std::wstring rich_edit_text(HWND control) {
    if (!control) return {};
    GETTEXTLENGTHEX how{GTL_NUMCHARS, 1200};
    const LRESULT length = SendMessageW(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX get{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
    text.resize(static_cast<size_t>(
        SendMessageW(control, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}
