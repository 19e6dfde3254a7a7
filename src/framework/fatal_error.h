#pragma once
#include <string>

// "<operation> failed. Error <code>\n<system text>"
std::wstring fatal_error_text(const wchar_t* operation, unsigned long code);

// Shows the fatal error box for the thread's last error and ends the process
// with that error as exit code.
[[noreturn]] void fatal_error(const wchar_t* operation);
