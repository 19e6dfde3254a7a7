#include "net/socket_waits.h"

bool send_while_up(SOCKET sock, const char* data, size_t size, const std::atomic<int>& up) {
    while (size > 0) {
        if (!up) return false;
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(sock, &writable);
        timeval wait{0, socket_check_us};
        const int ready = select(0, nullptr, &writable, nullptr, &wait);
        if (ready == SOCKET_ERROR) return false;
        if (ready == 0) continue;
        const int n = send(sock, data, static_cast<int>(size), 0);
        if (n == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
            return false;
        }
        if (n == 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}
