#pragma once
#include <atomic>

#include "app/shared_text.h"

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
};
