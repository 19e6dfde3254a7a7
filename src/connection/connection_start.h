#pragma once
#include <string>

class ChatClient;

// What the connect dialog hands over when the user presses Connect.
struct ConnectRequest {
    std::wstring host;      // at most 63 characters
    std::wstring port;      // at most 4 digits
    std::wstring nickname;  // at most 34 characters
    std::wstring username;  // at most 10 characters
    bool tls = false;       // "Secure connection (TLS)"
    // The user's own Connect; a reconnect is not, and never asks the user to
    // trust a certificate.
    bool user_started = true;
};

// The port text as a number; 0 when it is not a number from 1 to 65535.
unsigned short port_number(const std::wstring& text);

// Clears the server tab, writes the progress lines, connects and, on success,
// starts the receive thread. A connection still open (registration not yet
// complete) is closed first. Runs on the user-interface thread and blocks it
// until the connect ends. False when the connection could not be made.
bool connect_and_start(ChatClient& client, const ConnectRequest& request);
