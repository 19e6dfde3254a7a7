#include "settings/switch_rules.h"

#include <cwchar>

bool read_default_on_switch(const wchar_t* value) { return !value || std::wcsncmp(value, L"false", 5) != 0; }

bool read_default_off_switch(const wchar_t* value) { return value && std::wcsncmp(value, L"true", 4) == 0; }

bool read_exact_true(const wchar_t* value) { return value && std::wcscmp(value, L"true") == 0; }

const wchar_t* switch_text(bool on) { return on ? L"true" : L"false"; }
