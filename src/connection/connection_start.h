#pragma once
#include <string>

#include "irc/server_account.h"
#include "net/host_port.h"

class ChatClient;

// What the connect dialog hands over when the user presses Connect.
struct ConnectRequest {
    std::wstring host;      // at most 63 characters
    std::wstring port;      // at most 4 digits
    std::wstring nickname;  // at most 34 characters
    std::wstring username;  // at most 10 characters
    bool tls = false;       // "Secure connection (TLS)"
    ServerAccount account;  // server password and account login
    // A stored password could not be opened (sealed for another user or
    // machine): said, so that the user enters it again.
    bool password_unreadable = false;
    // The user's own Connect; a reconnect is not, and never asks the user to
    // trust a certificate.
    bool user_started = true;
};


// Clears the server tab, writes the progress lines and starts the receive
// thread, which connects and writes how that went. A connection still open
// (registration not yet complete) is closed first. User-interface thread;
// returns at once, false only when no thread could be started.
bool connect_and_start(ChatClient& client, const ConnectRequest& request);
