#pragma once
#include <winsock2.h>

#include <string>
#include <vector>

struct ServerSocket;

// A socket listening on 127.0.0.1 at a port of the system's choosing, which
// goes into `port` (0 when it could not listen).
inline SOCKET listen_on_loopback(int backlog, unsigned short& port) {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    port = 0;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(listener, backlog) == 0 &&
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    return listener;
}

inline sockaddr_in loopback_address(unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// A connection to 127.0.0.1:port; INVALID_SOCKET when none could be made.
inline SOCKET connect_to_loopback(unsigned short port) {
    SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in address = loopback_address(port);
    if (sock != INVALID_SOCKET && connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closesocket(sock);
        return INVALID_SOCKET;
    }
    return sock;
}

// Connections to 127.0.0.1:port that nobody accepts: `count` of them fill a
// small backlog, after which the system drops further connection requests
// unanswered (a server that takes no more clients).
inline std::vector<SOCKET> fill_backlog(unsigned short port, int count) {
    std::vector<SOCKET> fillers;
    const sockaddr_in address = loopback_address(port);
    for (int i = 0; i < count; ++i) {
        SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        u_long non_blocking = 1;
        ioctlsocket(sock, FIONBIO, &non_blocking);
        connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        fillers.push_back(sock);
    }
    return fillers;
}

// The next connection on `listener`, or INVALID_SOCKET when none came in time.
inline SOCKET accept_within(SOCKET listener, int timeout_ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval wait{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, &wait) != 1) return INVALID_SOCKET;
    return accept(listener, nullptr, nullptr);
}

// True when the other end closed (or reset) the connection within the time;
// what it sent before goes into `received` when given.
bool closed_within(SOCKET sock, int timeout_ms, std::string* received = nullptr);

// The far end of a real TCP connection on 127.0.0.1, played by the test.
class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();

    unsigned short port() const { return port_; }

    // Waits for the client's connection (true when one arrived).
    bool accept_client(int timeout_ms = 5000);
    void send_bytes(const std::string& bytes);
    // Reads until `count` bytes arrived, the peer closed or the timeout passed.
    std::string receive_bytes(size_t count, int timeout_ms = 5000);
    // Reads until the peer closes the connection or the timeout passes.
    std::string receive_all(int timeout_ms = 5000);
    // Reads one CR LF terminated line (without CR LF); empty on timeout.
    std::string receive_line(int timeout_ms = 5000);
    // True when the client closed its side within the timeout.
    bool wait_closed(int timeout_ms = 5000);
    void close_client();

private:
    bool wait_readable(int timeout_ms);
    SOCKET listener_ = INVALID_SOCKET;
    SOCKET client_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::string pending_;
};

// Every line the client sent on `socket` to `server` since the last look: a
// mark line goes out after them, so "nothing sent" needs no wait for a
// timeout. Empty when the socket is closed; a mark that never came fails.
std::vector<std::string> sent_lines(ServerSocket& socket, LoopbackServer& server);
