#pragma once

// What the server tab says while a connection is being made.
namespace connect_text {
// The server name and the port as typed.
constexpr const wchar_t* connecting_format = L"Connecting to IRC server %s:%s";
constexpr const wchar_t* nickname_label = L"Nickname: ";
constexpr const wchar_t* username_label = L"Username: ";
constexpr const wchar_t* connected = L"Connection successfully established.";
// After the login line of the Connect dialog when the proxy will be used.
constexpr const wchar_t* proxy_summary = L", through the proxy";
constexpr const wchar_t* error_format = L"Connection error to IRC server %s:%s";
// The status bar while lines wait to be sent: its title, and the count.
constexpr const wchar_t* backlog_title = L"Sending";
constexpr const wchar_t* backlog_format = L"%d lines waiting to be sent";
}  // namespace connect_text
