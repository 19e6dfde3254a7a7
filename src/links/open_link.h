#pragma once
#include <string>

#include "links/link_open_limiter.h"

class ChatClient;

// Opens a web address with the system's default handler (the shell's open
// action). The shell may take its time or show a window of its own, so it is
// only ever called on the user-interface thread or a thread that may wait.
// Anything but a web address (is_web_link) is refused: the shell would run a
// relative path or open a "file:" or "shell:" address as readily.
void open_link(const std::wstring& link, int show_command);

// The same for a link found in a message, from a thread that must not wait
// (the receive thread): handed to the user-interface thread, dropped first
// when a flood fills its queue. A burst of links opens only a few of them
// (LinkOpenLimiter); the status bar says once, after the burst, how many were
// not opened.
void open_link_later(ChatClient& client, const std::wstring& link, int show_command);

// How long after the first link it refused the status bar counts the burst.
constexpr unsigned refused_links_report_delay_ms = 1000;

// Tests replace the shell (there is no browser to open under them); nullptr
// puts the shell back.
using LinkOpener = void (*)(const std::wstring& link, int show_command);
void set_link_opener(LinkOpener opener);

// Tests and the benchmark: a fresh limiter on `clock` (nullptr: the system's
// tick count), with nothing opened or refused yet.
void reset_link_open_limiter(LinkOpenLimiter::Clock clock = nullptr);
