#pragma once
// A plain IRC client on a raw socket to 127.0.0.1, played by a test or a
// benchmark: lines out, lines in (PING answered on the way). Header-only and
// free of GoogleTest, so that benchmarks use it too.
#include <winsock2.h>

#include <string>
#include <vector>

#include "support/loopback.h"

class RawIrcClient {
public:
    // `kept_lines` bounds the lines remembered (0: all), for clients that
    // read for a long time and look only at the latest.
    explicit RawIrcClient(size_t kept_lines = 0) : kept_lines_(kept_lines) {}
    ~RawIrcClient() { close(); }
    RawIrcClient(const RawIrcClient&) = delete;
    RawIrcClient& operator=(const RawIrcClient&) = delete;

    bool connect(unsigned short port) {
        close();
        sock_ = connect_to_loopback(port);
        return sock_ != INVALID_SOCKET;
    }
    void close() {
        if (sock_ != INVALID_SOCKET) closesocket(sock_);
        sock_ = INVALID_SOCKET;
    }
    bool is_open() const { return sock_ != INVALID_SOCKET; }

    void send_line(const std::string& line) {
        const std::string bytes = line + "\r\n";
        ::send(sock_, bytes.data(), static_cast<int>(bytes.size()), 0);
    }

    // Reads one line into lines() (answering PING); false when none came in
    // time. The server closing the connection closes this end too.
    bool read_line(int timeout_ms) {
        for (;;) {
            const size_t end = pending_.find("\r\n");
            if (end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 2);
                if (line.compare(0, 5, "PING ") == 0) send_line("PONG " + line.substr(5));
                lines_.push_back(std::move(line));
                if (kept_lines_ && lines_.size() > kept_lines_)
                    lines_.erase(lines_.begin(), lines_.begin() + kept_lines_ / 2);
                return true;
            }
            if (sock_ == INVALID_SOCKET) return false;
            fd_set set;
            FD_ZERO(&set);
            FD_SET(sock_, &set);
            timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
            if (select(0, &set, nullptr, nullptr, &tv) <= 0) return false;
            char chunk[8192];
            const int n = recv(sock_, chunk, sizeof chunk, 0);
            if (n <= 0) {
                close();
                return false;
            }
            pending_.append(chunk, n);
        }
    }

    // Reads lines until one contains `part`; false when none did in time.
    bool read_until(const std::string& part, int timeout_ms) {
        const DWORD deadline = GetTickCount() + timeout_ms;
        while (static_cast<int>(deadline - GetTickCount()) > 0)
            if (read_line(50) && lines_.back().find(part) != std::string::npos) return true;
        return false;
    }

    std::vector<std::string>& lines() { return lines_; }

private:
    SOCKET sock_ = INVALID_SOCKET;
    size_t kept_lines_;
    std::string pending_;
    std::vector<std::string> lines_;
};
