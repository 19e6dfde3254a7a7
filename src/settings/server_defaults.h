#pragma once
#include <string>

class ChatClient;

// The last connection that completed registration, as stored in [servers].
// Each text is empty when its key is missing, and cut to the capacity of the
// connect dialog's field (host 63, port 4, nickname 34, user name 10).
struct ServerDefaults {
    std::wstring host, port, nickname, username;
    bool tls = false;
};

ServerDefaults read_server_defaults(const ChatClient& client);

// Saves client.connection's host, port, nickname, user name (and whether it
// used TLS) as the defaults, each cut to 127 characters. Called when registration completes.
void write_server_defaults(const ChatClient& client);
