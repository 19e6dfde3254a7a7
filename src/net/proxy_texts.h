#pragma once
// What the program says about the proxy: on the way to the server, and when
// something that would go around the proxy is refused.

namespace proxy_text {
// The proxy's host and port.
constexpr const wchar_t* through_format = L"Through the SOCKS5 proxy %s:%d (the proxy looks up the server's name)";
constexpr const wchar_t* unreadable_password =
    L"The stored proxy password cannot be read here (it was saved by another user or on another machine): "
    L"enter it again in the preferences (Proxy...).";
constexpr const wchar_t* not_set = L"Proxy: no proxy host and port (1 to 65535) are set in the preferences";
constexpr const wchar_t* unreachable_format = L"Proxy: the proxy %s:%d does not answer";
// The proxy's error (socks5_texts.h) after the server's name and port.
constexpr const wchar_t* failed_format = L"Connection error to IRC server %s:%s. %s";

constexpr const wchar_t* file_send_refused =
    L"File not sent: a proxy is set, and a file goes straight to the other user's address, around the proxy.";
constexpr const wchar_t* file_receive_refused =
    L"NOT allowed to receive files while a proxy is set: a sender would connect straight to this computer.";
constexpr const wchar_t* link_download_refused = L"Link not downloaded: a proxy is set, and the download would go around it";
constexpr const wchar_t* shared_address_is_real =
    L"A proxy is set, but the address you share is your own real address, not the proxy's.";
}  // namespace proxy_text
