#pragma once
// What the proxy connection says when it fails.

namespace socks5_text {
constexpr const wchar_t* replies[] = {
    L"general failure of the proxy",
    L"connection not allowed by the proxy's rules",
    L"network unreachable",
    L"host unreachable",
    L"connection refused by the server",
    L"time to live expired",
    L"command not supported by the proxy",
    L"address type not supported by the proxy",
};
constexpr const wchar_t* unknown_reply_format = L"unknown proxy reply %d";
constexpr const wchar_t* reply_format = L"Proxy: %s";
constexpr const wchar_t* closed = L"Proxy: the proxy closed the connection";
constexpr const wchar_t* cancelled = L"Proxy: connection abandoned";
constexpr const wchar_t* timed_out = L"Proxy: no answer from the proxy";
constexpr const wchar_t* malformed = L"Proxy: the proxy does not speak SOCKS5";
constexpr const wchar_t* authentication_failed = L"Proxy: user name or password refused";
constexpr const wchar_t* no_method = L"Proxy: none of the offered login methods is accepted";
constexpr const wchar_t* needs_password = L"Proxy: the proxy asks for a user name and password";
constexpr const wchar_t* too_long = L"Proxy: server name, user name or password too long";
}  // namespace socks5_text
