#pragma once
#include <string>

// A server as typed may carry its port: "irc.example.net:6697",
// "[2001:db8::1]:6697". A literal IPv6 address without brackets has several
// colons and carries none ("2001:db8::1"). `host` becomes the name or address
// without brackets; `port` the digits after the last colon, when there are
// some. False (both left as they were) when the text carries no port.
bool split_host_port(const std::wstring& typed, std::wstring& host, std::wstring& port);

// Whether a port is typed, in its field or with the name ("[2001:db8::1]:6697").
bool port_known(const std::wstring& typed_host, const std::wstring& port_field);

// The host as it is shown before ":port": an IPv6 address in brackets
// ("[2001:db8::1]"), anything else as it is.
std::wstring host_for_display(const std::wstring& host);

// The host without the brackets of a literal IPv6 address ("[::1]" -> "::1").
std::wstring host_without_brackets(const std::wstring& host);

// The port text as a number; 0 when it is not a number from 1 to 65535.
unsigned short port_number(const std::wstring& text);
