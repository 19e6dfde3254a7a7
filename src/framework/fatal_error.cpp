#include "framework/fatal_error.h"

#include <windows.h>

#include "framework/message_box.h"
#include "app/text.h"

std::wstring fatal_error_text(const wchar_t* operation, unsigned long code) {
    wchar_t* system_text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&system_text), 0, nullptr);
    std::wstring text = format_text(L"%s failed. Error %d\n%s", operation, static_cast<long long>(code),
                                    system_text ? system_text : L"");
    if (system_text) LocalFree(system_text);
    return text;
}

void fatal_error(const wchar_t* operation) {
    DWORD code = GetLastError();
    std::wstring text = fatal_error_text(operation, code);
    show_message_box(nullptr, text.c_str(), L"Application error", MB_OK | MB_ICONERROR);
    ExitProcess(code);
}
