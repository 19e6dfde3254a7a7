#pragma once
// Stands between Quillmere and the server, line by line, and plays one trick
// on the next sealed line the server relays to Quillmere: flips a bit of it,
// delivers it twice, swaps it for Quillmere's own last sealed line sent back
// (a reflection), or drops it.
#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "support/net_test_support.h"

namespace e2e {

enum class Trick { none, flip, replay, reflect, drop };

class TamperRelay {
public:
    bool start(unsigned short server_port) {
        listener_ = net_test::listen_on_short_port(port_);
        if (listener_ == INVALID_SOCKET) return false;
        thread_ = std::thread([this, server_port] { run(server_port); });
        return true;
    }
    unsigned short port() const { return port_; }
    void arm(Trick trick) { trick_ = trick; }
    bool armed() const { return trick_ != Trick::none; }
    ~TamperRelay() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
    }

private:
    static constexpr const char* sealed = " :[ZOVMSG02]";

    void run(unsigned short server_port) {
        SOCKET client = INVALID_SOCKET;
        while (!stop_ && client == INVALID_SOCKET)
            if (readable(listener_, 50)) client = accept(listener_, nullptr, nullptr);
        SOCKET server = client == INVALID_SOCKET ? INVALID_SOCKET : connect_to_loopback(server_port);
        std::string from_client, from_server;
        while (!stop_ && server != INVALID_SOCKET) {
            if (readable(client, 20) && !pass(client, server, from_client, false)) break;
            if (readable(server, 20) && !pass(server, client, from_server, true)) break;
        }
        for (SOCKET sock : {client, server})
            if (sock != INVALID_SOCKET) closesocket(sock);
    }
    static bool readable(SOCKET sock, int timeout_ms) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(sock, &set);
        timeval tv{0, timeout_ms * 1000};
        return select(0, &set, nullptr, nullptr, &tv) > 0;
    }
    bool pass(SOCKET from, SOCKET to, std::string& pending, bool to_quillmere) {
        char chunk[8192];
        const int n = recv(from, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        pending.append(chunk, n);
        for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 2);
            const size_t at = line.find(sealed);
            if (!to_quillmere && at != std::string::npos) own_sealed_ = line.substr(at + 2);
            std::string out = line + "\r\n";
            if (to_quillmere && at != std::string::npos && trick_ != Trick::none) {
                switch (trick_.exchange(Trick::none)) {
                case Trick::flip: out[at + 52] = out[at + 52] == 'A' ? 'B' : 'A'; break;  // inside the ciphertext
                case Trick::replay: out += out; break;
                case Trick::reflect: out = line.substr(0, at + 2) + own_sealed_ + "\r\n"; break;
                default: out.clear(); break;
                }
            }
            if (!out.empty() && ::send(to, out.data(), static_cast<int>(out.size()), 0) <= 0) return false;
        }
        return true;
    }

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<Trick> trick_{Trick::none};
    std::string own_sealed_;  // relay thread only
};

}  // namespace e2e
