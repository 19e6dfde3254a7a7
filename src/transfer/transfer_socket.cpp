#include "transfer/transfer_socket.h"

#include <algorithm>
#include <climits>

#include "transfer/transfer_protocol.h"

void set_transfer_timeouts(SOCKET socket) {
    const DWORD timeout = transfer::idle_timeout_ms;
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
}

bool send_all(SOCKET socket, const char* bytes, size_t length) {
    while (length) {
        const int piece = static_cast<int>(std::min<size_t>(length, INT_MAX));
        const int sent = send(socket, bytes, piece, 0);
        if (sent <= 0) return false;
        bytes += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

size_t receive_some(SOCKET socket, char* buffer, size_t limit) {
    const int got = recv(socket, buffer, static_cast<int>(std::min<size_t>(limit, INT_MAX)), 0);
    return got > 0 ? static_cast<size_t>(got) : 0;
}

std::string receive_once(SOCKET socket, size_t limit) {
    std::string bytes(limit, '\0');
    bytes.resize(receive_some(socket, &bytes[0], limit));
    return bytes;
}

void close_socket(SOCKET& socket) {
    if (socket == INVALID_SOCKET) return;
    closesocket(socket);
    socket = INVALID_SOCKET;
}
