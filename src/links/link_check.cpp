#include "links/link_check.h"

namespace {
constexpr size_t label_limit = 63;
constexpr size_t port_digits_limit = 5;
constexpr unsigned largest_port = 65535;

bool is_ascii_letter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool is_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool is_hex_digit(wchar_t c) { return is_digit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

bool equals_ignoring_case(std::wstring_view text, std::wstring_view lower) {
    if (text.size() != lower.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if ((c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c) != lower[i]) return false;
    }
    return true;
}

// Characters no part of a link may hold: controls (C0, DEL, C1), spaces of
// any kind, the backslash that Windows reads as a folder separator, and the
// quote that would end the browser's argument.
bool is_refused_anywhere(wchar_t c) {
    if (c < 0x21 || (c >= 0x7F && c <= 0xA0)) return true;
    switch (c) {
    case L'\\': case L'"': case 0x1680: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
    case 0xFEFF:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200B;
    }
}

// Letters, digits and '-' in labels of at most 63 characters, separated by
// single dots; one trailing dot (the root) is allowed.
bool is_host_name(std::wstring_view host) {
    if (host.empty() || host.size() > host_name_limit) return false;
    if (host.back() == L'.') host.remove_suffix(1);
    size_t label = 0;
    for (size_t i = 0; i <= host.size(); ++i) {
        if (i == host.size() || host[i] == L'.') {
            if (label == 0 || label > label_limit) return false;
            label = 0;
            continue;
        }
        const wchar_t c = host[i];
        if (!is_ascii_letter(c) && !is_digit(c) && c != L'-') return false;
        ++label;
    }
    return true;
}

// "[...]" with hexadecimal digits, ':' and '.' (an embedded IPv4 tail) inside;
// no zone ("%eth0"), which only names a local interface.
bool is_ipv6_literal(std::wstring_view host) {
    if (host.size() < 4 || host.size() > 2 + 45 || host.front() != L'[' || host.back() != L']') return false;
    size_t colons = 0;
    for (wchar_t c : host.substr(1, host.size() - 2)) {
        if (c == L':')
            ++colons;
        else if (!is_hex_digit(c) && c != L'.')
            return false;
    }
    return colons >= 2;
}

bool is_port(std::wstring_view digits) {
    if (digits.empty() || digits.size() > port_digits_limit) return false;
    unsigned value = 0;
    for (wchar_t c : digits) {
        if (!is_digit(c)) return false;
        value = value * 10 + unsigned(c - L'0');
    }
    return value >= 1 && value <= largest_port;
}
}  // namespace

bool is_web_link(std::wstring_view link, bool allow_http) {
    if (link.empty() || link.size() > web_link_limit) return false;
    for (wchar_t c : link)
        if (is_refused_anywhere(c)) return false;

    const size_t colon = link.find(L':');
    if (colon == std::wstring_view::npos) return false;
    const std::wstring_view scheme = link.substr(0, colon);
    if (!equals_ignoring_case(scheme, L"https") && !(allow_http && equals_ignoring_case(scheme, L"http"))) return false;
    std::wstring_view rest = link.substr(colon + 1);
    if (rest.substr(0, 2) != L"//") return false;
    rest.remove_prefix(2);

    // The authority ends where the path, query or fragment begins.
    const std::wstring_view authority = rest.substr(0, rest.find_first_of(L"/?#"));
    std::wstring_view host = authority;
    if (!authority.empty() && authority.front() == L'[') {
        const size_t close = authority.find(L']');
        if (close == std::wstring_view::npos) return false;
        host = authority.substr(0, close + 1);
        if (!is_ipv6_literal(host)) return false;
    } else {
        host = authority.substr(0, authority.find(L':'));
        if (!is_host_name(host)) return false;
    }
    const std::wstring_view after_host = authority.substr(host.size());
    if (after_host.empty()) return true;
    return after_host.front() == L':' && is_port(after_host.substr(1));
}
