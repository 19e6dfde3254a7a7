#pragma once
#include <atomic>

#include "app/shared_text.h"
#include "irc/receive_state.h"
#include "irc/server_account.h"
#include "irc/server_features.h"

struct ServerSocket;

// Who we are on the current (or last) connection. Set on the user-interface
// thread when a connection starts; the receive thread changes the nickname
// (the one the server granted) and the address, and reads them all.
struct ConnectionParams {
    ServerSocket* socket = nullptr;
    SharedText nickname;
    SharedText username;
    SharedText public_ip;
    SharedText host;
    SharedText port;
    std::atomic<bool> tls{false};
    // Set with the rest on the user-interface thread before the receive
    // thread starts; read by it.
    ServerAccount account;
    // What the server told of itself on the current connection.
    SharedFeatures features;
    // The receive thread's own.
    ReceiveState receive;
};
