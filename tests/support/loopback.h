#pragma once
#include <winsock2.h>

#include <string>

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
