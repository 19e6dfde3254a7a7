#pragma once
#include <string>

class ChatClient;

// The echo service that answers a request for its root path with the caller's
// public IPv4 address as the whole body.
constexpr const wchar_t* default_ip_echo_url = L"https://api.ipify.org/";

// Environment variable that replaces the service (tests use a local server).
constexpr const wchar_t* ip_echo_url_variable = L"QUILLMERE_IP_ECHO_URL";

// The service used: the one set here, else the environment variable, else the
// default. An empty url returns to the environment or the default.
void set_ip_echo_url(const std::wstring& url);
std::wstring ip_echo_url();

// The longest address kept (public_ip and peer_ip hold 19 characters).
constexpr size_t address_limit = 19;

// The address in an answer: the text up to its first line break, blanks at
// both ends trimmed, cut to address_limit characters. Empty when that text is
// not made only of digits, hexadecimal letters, '.' and ':' (an error page, a
// captive portal's answer).
std::wstring address_from_text(const std::wstring& text);

// Makes `text` (address_from_text rules) the user's public address; false,
// with the address unchanged, when it is not an address. Any thread.
bool store_public_ip(ChatClient& client, const std::wstring& text);

// Asks the echo service and stores the address; false when there is no
// usable answer. Each network step gives up after a few seconds.
bool lookup_public_ip(ChatClient& client);

// lookup_public_ip on a thread of its own, for the calling thread's session:
// registration goes on without waiting for the network.
void start_public_ip_lookup(ChatClient& client);

// Lookups started so far: one per registered connection, however often a
// server repeats the end of its welcome text.
unsigned public_ip_lookups_started();

// Lookup threads not yet ended: tests wait for what a lookup does last.
size_t public_ip_lookups_running();
