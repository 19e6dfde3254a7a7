#pragma once
// A plain IRC client on raw sockets that keeps a channel busy from a thread of
// its own, so that lines are in flight whenever Quillmere connects or hangs
// up, and that asks the server about Quillmere afterwards. Header-only and
// free of GoogleTest, so that benchmarks use it too.
#include <winsock2.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace probe {

class ChannelFlooder {
public:
    ~ChannelFlooder() {
        stop_flood();
        if (sock_ != INVALID_SOCKET) closesocket(sock_);
    }

    // Connects, registers and joins; false when the server did not let it
    // within the time.
    bool join(unsigned short port, const std::string& nickname, const std::string& channel, int timeout_ms = 10000) {
        channel_ = channel;
        sock_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (connect(sock_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
        send_line("NICK " + nickname);
        send_line("USER " + nickname + " 0 * :Channel flooder");
        if (!read_until(" 376 ", timeout_ms)) return false;
        send_line("JOIN " + channel);
        return read_until(" 366 ", timeout_ms);
    }

    // Sends a channel message every `interval_ms` until stop_flood, reading
    // (and answering PING) all along so the server never drops it.
    void start_flood(DWORD interval_ms = 2) {
        stop_ = false;
        thread_ = std::thread([this, interval_ms] {
            for (unsigned n = 0; !stop_; ++n) {
                send_line("PRIVMSG " + channel_ + " :storm line " + std::to_string(n) + " in flight");
                while (read_line(0)) {
                }
                Sleep(interval_ms);
            }
        });
    }

    void stop_flood() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

    // After stop_flood: sends `question` and returns the server's lines up to
    // its answer to a PING sent right after it (the server answers in order).
    // `idle` runs between reads: the caller's thread may have messages to run.
    std::vector<std::string> ask(const std::string& question, const std::function<void()>& idle,
                                 int timeout_ms = 10000) {
        const std::string mark = "probe-" + std::to_string(++questions_);
        lines_.clear();
        send_line(question);
        send_line("PING :" + mark);
        const DWORD deadline = GetTickCount() + timeout_ms;
        while (static_cast<int>(deadline - GetTickCount()) > 0) {
            if (!read_line(10)) {
                if (idle) idle();
                continue;
            }
            if (lines_.back().find(" PONG ") != std::string::npos && lines_.back().find(mark) != std::string::npos) {
                lines_.pop_back();
                return lines_;
            }
        }
        return {};
    }

private:
    void send_line(const std::string& line) {
        const std::string bytes = line + "\r\n";
        ::send(sock_, bytes.data(), static_cast<int>(bytes.size()), 0);
    }

    // Reads one line into lines_ (answering PING); false when none came in time.
    bool read_line(int timeout_ms) {
        for (;;) {
            const size_t end = pending_.find("\r\n");
            if (end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 2);
                if (line.compare(0, 5, "PING ") == 0) send_line("PONG " + line.substr(5));
                lines_.push_back(std::move(line));
                if (lines_.size() > 1000) lines_.erase(lines_.begin(), lines_.begin() + 500);
                return true;
            }
            fd_set set;
            FD_ZERO(&set);
            FD_SET(sock_, &set);
            timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
            if (select(0, &set, nullptr, nullptr, &tv) <= 0) return false;
            char chunk[8192];
            const int n = recv(sock_, chunk, sizeof chunk, 0);
            if (n <= 0) return false;
            pending_.append(chunk, n);
        }
    }

    bool read_until(const std::string& part, int timeout_ms) {
        const DWORD deadline = GetTickCount() + timeout_ms;
        while (static_cast<int>(deadline - GetTickCount()) > 0)
            if (read_line(50) && lines_.back().find(part) != std::string::npos) return true;
        return false;
    }

    SOCKET sock_ = INVALID_SOCKET;
    std::string channel_, pending_;
    std::vector<std::string> lines_;
    unsigned questions_ = 0;
    std::atomic<bool> stop_{true};
    std::thread thread_;
};

}  // namespace probe
