#pragma once
// The other side of the end-to-end tests: a second IRC client written with
// raw sockets, and a relay that stands between Quillmere and the server so
// that a test can cut the line the way a dropped network does.
#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/net_test_support.h"
#include "support/raw_irc_client.h"

namespace e2e {

// The port written by tools/ngircd_fixture.sh; 0 when there is none.
inline unsigned short ngircd_port() {
    wchar_t unix_path[1024];
    DWORD length = GetEnvironmentVariableW(L"QUILLMERE_NGIRCD_PORT_FILE", unix_path, 1024);
    if (length == 0 || length >= 1024) return 0;
    // Wine shows the Linux root as drive Z:.
    std::wstring path = unix_path;
    if (!path.empty() && path[0] == L'/') {
        for (wchar_t& c : path)
            if (c == L'/') c = L'\\';
        path = L"Z:" + path;
    }
    return static_cast<unsigned short>(atoi(read_file_bytes(path).c_str()));
}

inline bool readable(SOCKET sock, int timeout_ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(sock, &set);
    timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}

// A plain IRC client on the same server, played by the test.
class PeerClient {
public:
    bool connect(unsigned short port) { return irc_.connect(port); }
    void close() { irc_.close(); }
    void send(const std::string& line) { irc_.send_line(line); }
    // Waits, while Quillmere's work on this thread goes on, for a line that
    // contains `part` and has not been matched before; empty on timeout.
    std::string wait_for(const std::string& part, int timeout_ms = 15000) {
        std::string found;
        net_test::wait_until([&] {
            while (irc_.read_line(0)) {
            }
            const std::vector<std::string>& lines = irc_.lines();
            for (size_t i = next_; i < lines.size(); ++i) {
                if (lines[i].find(part) != std::string::npos) {
                    found = lines[i];
                    next_ = i + 1;
                    return true;
                }
            }
            return false;
        }, timeout_ms);
        return found;
    }

private:
    RawIrcClient irc_;
    size_t next_ = 0;
};

// Listens on a port Quillmere's fields can hold (four digits), passes one
// connection through to the server and can cut it.
class Relay {
public:
    bool start(unsigned short server_port) {
        listener_ = net_test::listen_on_short_port(port_);
        if (listener_ == INVALID_SOCKET) return false;
        thread_ = std::thread([this, server_port] { run(server_port); });
        return true;
    }
    unsigned short port() const { return port_; }
    // Closes both sides at once, without a word to either.
    void cut() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    ~Relay() {
        cut();
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
    }

private:
    void run(unsigned short server_port) {
        SOCKET client = INVALID_SOCKET;
        while (!stop_ && client == INVALID_SOCKET)
            if (readable(listener_, 50)) client = accept(listener_, nullptr, nullptr);
        SOCKET server = client == INVALID_SOCKET ? INVALID_SOCKET : connect_to_loopback(server_port);
        while (!stop_ && server != INVALID_SOCKET) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(client, &set);
            FD_SET(server, &set);
            timeval tv{0, 50000};
            if (select(0, &set, nullptr, nullptr, &tv) <= 0) continue;
            if (!pass(set, client, server) || !pass(set, server, client)) break;
        }
        for (SOCKET sock : {client, server}) {
            if (sock == INVALID_SOCKET) continue;
            shutdown(sock, SD_BOTH);
            closesocket(sock);
        }
    }
    static bool pass(fd_set& set, SOCKET from, SOCKET to) {
        if (!FD_ISSET(from, &set)) return true;
        char chunk[8192];
        int n = recv(from, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        for (int sent = 0; sent < n;) {
            int m = ::send(to, chunk + sent, n - sent, 0);
            if (m <= 0) return false;
            sent += m;
        }
        return true;
    }
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace e2e
