#pragma once
#include <string_view>

// Whether a piece of text is a web address that may be handed to the shell or
// the downloader. The shell opens whatever it is given: a relative path
// ("https\..\..\windows\system32\notepad.exe") starts a program, a UNC path
// reaches another machine, and "file:", "shell:" or "ms-settings:" open
// anything but a web page. So only one form passes:
//
//   http[s]://host[:port][/...|?...|#...]
//
// the scheme in any letter case ("http" only when `allow_http`), a host of
// letters, digits, '-' and '.' (an IPv4 address is one of those) or an IPv6
// address in brackets, no user name before the host, and no control
// character, space, backslash or quote anywhere (a quote could end the
// argument the shell builds for the browser).
bool is_web_link(std::wstring_view link, bool allow_http = true);

// The longest link and host name accepted.
constexpr size_t web_link_limit = 2048;
constexpr size_t host_name_limit = 253;
