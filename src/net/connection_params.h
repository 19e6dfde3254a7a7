#pragma once
#include <string>

struct ServerSocket;

// Who we are on the current (or last) connection.
struct ConnectionParams {
    ServerSocket* socket = nullptr;
    std::wstring nickname;
    std::wstring username;
    std::wstring public_ip;
    std::wstring host;
    std::wstring port;
};
