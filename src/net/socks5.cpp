#include "net/socks5.h"

#include <ws2tcpip.h>

#include <cstring>

#include "app/text.h"
#include "net/socks5_texts.h"

namespace {
constexpr unsigned char version = 5;
constexpr unsigned char no_authentication = 0;
constexpr unsigned char user_password = 2;
constexpr unsigned char no_acceptable_method = 0xFF;
constexpr unsigned char command_connect = 1;
constexpr unsigned char address_ipv4 = 1;
constexpr unsigned char address_name = 3;
constexpr unsigned char address_ipv6 = 4;
constexpr int step_ms = 100;

class Exchange {
public:
    Exchange(SOCKET sock, const std::function<bool()>& still_wanted, int timeout_ms)
        : sock_(sock), still_wanted_(still_wanted), steps_left_(timeout_ms / step_ms + 1) {}

    bool send_all(const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            if (!wait(false)) return false;
            const int n = send(sock_, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
            if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
            if (n <= 0) return fail(socks5_text::closed);
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    bool receive(size_t count, std::string& bytes) {
        bytes.clear();
        while (bytes.size() < count) {
            if (!wait(true)) return false;
            char chunk[262];
            const int wanted = static_cast<int>(count - bytes.size() < sizeof chunk ? count - bytes.size() : sizeof chunk);
            const int n = recv(sock_, chunk, wanted, 0);
            if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
            if (n <= 0) return fail(socks5_text::closed);
            bytes.append(chunk, static_cast<size_t>(n));
        }
        return true;
    }

    bool fail(const std::wstring& error) {
        if (error_.empty()) error_ = error;
        return false;
    }
    const std::wstring& error() const { return error_; }

private:
    bool wait(bool for_reading) {
        for (;;) {
            if (!still_wanted_()) return fail(socks5_text::cancelled);
            if (steps_left_-- <= 0) return fail(socks5_text::timed_out);
            fd_set set;
            FD_ZERO(&set);
            FD_SET(sock_, &set);
            timeval step{0, step_ms * 1000};
            const int ready = select(0, for_reading ? &set : nullptr, for_reading ? nullptr : &set, nullptr, &step);
            if (ready == SOCKET_ERROR) return fail(socks5_text::closed);
            if (ready > 0) return true;
        }
    }

    SOCKET sock_;
    const std::function<bool()>& still_wanted_;
    int steps_left_;
    std::wstring error_;
};

std::string address_of(const std::string& host) {
    unsigned char bytes[16];
    if (inet_pton(AF_INET, host.c_str(), bytes) == 1)
        return std::string(1, static_cast<char>(address_ipv4)) + std::string(reinterpret_cast<char*>(bytes), 4);
    std::string bare = host.size() > 2 && host.front() == '[' && host.back() == ']' ? host.substr(1, host.size() - 2) : host;
    if (inet_pton(AF_INET6, bare.c_str(), bytes) == 1)
        return std::string(1, static_cast<char>(address_ipv6)) + std::string(reinterpret_cast<char*>(bytes), 16);
    return std::string(1, static_cast<char>(address_name)) + static_cast<char>(host.size()) + host;
}

bool authenticate(Exchange& exchange, const Socks5Request& request) {
    // RFC 1929: version 1, then the name and the password, each with its length.
    std::string message(1, '\x01');
    message += static_cast<char>(request.username.size());
    message += request.username;
    message += static_cast<char>(request.password.size());
    message += request.password;
    std::string reply;
    if (!exchange.send_all(message) || !exchange.receive(2, reply)) return false;
    return reply[1] == 0 || exchange.fail(socks5_text::authentication_failed);
}

// The bound address after a success: read and dropped.
bool skip_bound_address(Exchange& exchange, unsigned char type) {
    std::string rest;
    size_t length = type == address_ipv4 ? 4 : type == address_ipv6 ? 16 : 0;
    if (type == address_name) {
        if (!exchange.receive(1, rest)) return false;
        length = static_cast<unsigned char>(rest[0]);
    } else if (!length) {
        return exchange.fail(socks5_text::malformed);
    }
    return exchange.receive(length + 2, rest);
}
}  // namespace

std::wstring socks5_reply_text(int code) {
    if (code >= 1 && code <= 8) return socks5_text::replies[code - 1];
    return format_text(socks5_text::unknown_reply_format, code);
}

Socks5Outcome socks5_connect(SOCKET sock, const Socks5Request& request, const std::function<bool()>& still_wanted,
                             int timeout_ms) {
    Socks5Outcome outcome;
    Exchange exchange(sock, still_wanted, timeout_ms);
    const bool with_password = !request.username.empty();
    if (request.host.empty() || request.host.size() > 255 || request.username.size() > 255 ||
        request.password.size() > 255) {
        outcome.error = socks5_text::too_long;
        return outcome;
    }
    std::string greeting{static_cast<char>(version), with_password ? '\x02' : '\x01', static_cast<char>(no_authentication)};
    if (with_password) greeting += static_cast<char>(user_password);
    std::string reply;
    bool ok = exchange.send_all(greeting) && exchange.receive(2, reply);
    if (ok && static_cast<unsigned char>(reply[0]) != version) ok = exchange.fail(socks5_text::malformed);
    if (ok) {
        const unsigned char method = static_cast<unsigned char>(reply[1]);
        if (method == user_password && with_password) ok = authenticate(exchange, request);
        else if (method == no_acceptable_method) ok = exchange.fail(with_password ? socks5_text::no_method : socks5_text::needs_password);
        else if (method != no_authentication) ok = exchange.fail(socks5_text::malformed);
    }
    if (ok) {
        std::string connect{static_cast<char>(version), static_cast<char>(command_connect), '\0'};
        connect += address_of(request.host);
        connect += static_cast<char>(request.port >> 8);
        connect += static_cast<char>(request.port & 0xFF);
        ok = exchange.send_all(connect) && exchange.receive(4, reply);
    }
    if (ok && static_cast<unsigned char>(reply[1]) != 0)
        ok = exchange.fail(format_text(socks5_text::reply_format, socks5_reply_text(static_cast<unsigned char>(reply[1]))));
    if (ok) ok = skip_bound_address(exchange, static_cast<unsigned char>(reply[3]));
    outcome.connected = ok;
    outcome.error = exchange.error();
    return outcome;
}
