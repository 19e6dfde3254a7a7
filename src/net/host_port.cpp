#include "net/host_port.h"

namespace {
bool all_digits(const std::wstring& text) {
    if (text.empty()) return false;
    for (wchar_t c : text)
        if (c < L'0' || c > L'9') return false;
    return true;
}
}  // namespace

std::wstring host_without_brackets(const std::wstring& host) {
    if (host.size() > 2 && host.front() == L'[' && host.back() == L']') return host.substr(1, host.size() - 2);
    return host;
}

bool port_known(const std::wstring& typed_host, const std::wstring& port_field) {
    std::wstring host, port;
    return !port_field.empty() || split_host_port(typed_host, host, port);
}

std::wstring host_for_display(const std::wstring& host) {
    if (host.find(L':') == std::wstring::npos || host.front() == L'[') return host;
    return L"[" + host + L"]";
}

bool split_host_port(const std::wstring& typed, std::wstring& host, std::wstring& port) {
    const size_t colon = typed.rfind(L':');
    if (colon == std::wstring::npos || colon == 0) return false;
    const std::wstring before = typed.substr(0, colon), after = typed.substr(colon + 1);
    if (!all_digits(after)) return false;
    const bool bracketed = before.size() > 2 && before.front() == L'[' && before.back() == L']';
    // Without brackets, a second colon makes the whole text an IPv6 address.
    if (!bracketed && before.find(L':') != std::wstring::npos) return false;
    host = host_without_brackets(before);
    port = after;
    return true;
}

unsigned short port_number(const std::wstring& text) {
    if (text.empty() || text.size() > 5) return 0;
    unsigned value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    return value <= 65535 ? static_cast<unsigned short>(value) : 0;
}
