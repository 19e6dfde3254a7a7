#include "support/loopback.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include "net/server_socket.h"

LoopbackServer::LoopbackServer() {
    listener_ = listen_on_loopback(4, port_);
}

LoopbackServer::~LoopbackServer() {
    close_client();
    closesocket(listener_);
}

bool LoopbackServer::accept_client(int timeout_ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(listener_, &set);
    timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    if (select(0, &set, nullptr, nullptr, &tv) <= 0) return false;
    client_ = accept(listener_, nullptr, nullptr);
    return client_ != INVALID_SOCKET;
}

void LoopbackServer::send_bytes(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(client_, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) return;
        sent += n;
    }
}

bool LoopbackServer::wait_readable(int timeout_ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(client_, &set);
    timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}

std::string LoopbackServer::receive_bytes(size_t count, int timeout_ms) {
    DWORD deadline = GetTickCount() + timeout_ms;
    while (pending_.size() < count) {
        int left = static_cast<int>(deadline - GetTickCount());
        if (left <= 0 || !wait_readable(left)) break;
        char chunk[4096];
        int n = recv(client_, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        pending_.append(chunk, n);
    }
    std::string out = pending_.substr(0, count);
    pending_.erase(0, out.size());
    return out;
}

std::string LoopbackServer::receive_all(int timeout_ms) {
    DWORD deadline = GetTickCount() + timeout_ms;
    for (;;) {
        int left = static_cast<int>(deadline - GetTickCount());
        if (left <= 0 || !wait_readable(left)) break;
        char chunk[4096];
        int n = recv(client_, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        pending_.append(chunk, n);
    }
    std::string out;
    out.swap(pending_);
    return out;
}

std::string LoopbackServer::receive_line(int timeout_ms) {
    DWORD deadline = GetTickCount() + timeout_ms;
    for (;;) {
        size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            return line;
        }
        int left = static_cast<int>(deadline - GetTickCount());
        if (left <= 0 || !wait_readable(left)) return {};
        char chunk[4096];
        int n = recv(client_, chunk, sizeof chunk, 0);
        if (n <= 0) return {};
        pending_.append(chunk, n);
    }
}

bool closed_within(SOCKET sock, int timeout_ms, std::string* received) {
    const DWORD deadline = GetTickCount() + timeout_ms;
    for (;;) {
        const int left = static_cast<int>(deadline - GetTickCount());
        if (left <= 0) return false;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(sock, &set);
        timeval tv{left / 1000, (left % 1000) * 1000};
        if (select(0, &set, nullptr, nullptr, &tv) <= 0) return false;
        char chunk[4096];
        const int n = recv(sock, chunk, sizeof chunk, 0);
        if (n <= 0) return true;
        if (received) received->append(chunk, n);
    }
}

bool LoopbackServer::wait_closed(int timeout_ms) {
    return closed_within(client_, timeout_ms, &pending_);
}

void LoopbackServer::close_client() {
    if (client_ != INVALID_SOCKET) {
        shutdown(client_, SD_BOTH);
        closesocket(client_);
        client_ = INVALID_SOCKET;
    }
}

std::vector<std::string> sent_lines(ServerSocket& socket, LoopbackServer& server) {
    static constexpr const char* mark = "QUILLMERE-TEST-MARK";
    std::vector<std::string> lines;
    if (!socket.connected) return lines;
    // Behind everything, the lines the program queues of its own accord included.
    send_line(L"QUILLMERE-TEST-MARK", socket, SendPriority::spare);
    for (std::string line; (line = server.receive_line()) != mark;) {
        if (line.empty()) {
            ADD_FAILURE() << "the mark line never arrived";
            break;
        }
        lines.push_back(line);
    }
    return lines;
}
