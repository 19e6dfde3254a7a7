#include "hostile_server.h"

#include <algorithm>
#include <random>

#include "e2e_support.h"
#include "hostile_mix.h"

namespace e2e {
namespace {
constexpr DWORD accept_wait_ms = 20000;
constexpr DWORD settle_ms = 500;  // the client opens the channel tab meanwhile

double seconds_since(LONGLONG start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start) / static_cast<double>(frequency.QuadPart);
}

LONGLONG counter_now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

bool writable(SOCKET sock, int timeout_ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(sock, &set);
    timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    return select(0, nullptr, &set, nullptr, &tv) > 0;
}

std::string word_after(const std::string& line, const char* command) {
    const std::string start = std::string(command) + " ";
    if (line.compare(0, start.size(), start) != 0) return {};
    const size_t end = line.find(' ', start.size());
    std::string word = line.substr(start.size(), end == std::string::npos ? std::string::npos : end - start.size());
    if (!word.empty() && word[0] == ':') word.erase(0, 1);
    return word;
}
}  // namespace

HostileServer::HostileServer(unsigned seed, size_t lines, DWORD send_budget_ms, DWORD pong_timeout_ms)
    : seed_(seed), lines_(lines), send_budget_ms_(send_budget_ms), pong_timeout_ms_(pong_timeout_ms) {
    listener_ = net_test::listen_on_short_port(port_);
    token_ = "hostile-done-" + std::to_string(seed);
    run_.lines = lines;
    thread_ = std::thread([this] {
        run();
        finished_ = true;
    });
}

HostileServer::~HostileServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (client_ != INVALID_SOCKET) closesocket(client_);
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
}

const HostileRun& HostileServer::result() {
    if (thread_.joinable()) thread_.join();
    return run_;
}

void HostileServer::run() {
    if (listener_ == INVALID_SOCKET || !readable(listener_, accept_wait_ms)) {
        run_.failure = "no client connected";
        return;
    }
    client_ = accept(listener_, nullptr, nullptr);
    if (!register_client()) {
        run_.failure = "the client did not send NICK and USER";
        return;
    }
    send_mix();
    if (run_.failure.empty()) await_pong();
    shutdown(client_, SD_BOTH);
}

bool HostileServer::read_client(int timeout_ms) {
    while (readable(client_, timeout_ms)) {
        char chunk[8192];
        const int n = recv(client_, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        received_.append(chunk, n);
        timeout_ms = 0;
    }
    for (size_t end; (end = received_.find("\r\n")) != std::string::npos;) {
        const std::string line = received_.substr(0, end);
        received_.erase(0, end + 2);
        if (nickname_.empty()) nickname_ = word_after(line, "NICK");
        if (user_.empty()) user_ = word_after(line, "USER");
        if (line.compare(0, 5, "PING ") == 0) {
            const std::string pong = ":hostile.test PONG hostile.test " + line.substr(5) + "\r\n";
            ::send(client_, pong.data(), static_cast<int>(pong.size()), 0);
        }
        if (line.compare(0, 5, "PONG ") == 0 && line.find(token_) != std::string::npos) pong_ = true;
    }
    return true;
}

bool HostileServer::register_client() {
    const DWORD deadline = GetTickCount() + accept_wait_ms;
    while (nickname_.empty() || user_.empty()) {
        if (stop_ || static_cast<int>(deadline - GetTickCount()) <= 0 || !read_client(50)) return false;
    }
    const std::string me = ":hostile.test ", nick = nickname_;
    std::string lines;
    for (const std::string& line : {me + "001 " + nick + " :Welcome, " + nick, me + "002 " + nick + " :Your host",
                                    me + "004 " + nick + " hostile.test 1 o o", me + "375 " + nick + " :- MOTD -",
                                    me + "376 " + nick + " :End of MOTD",
                                    ":" + nick + "!~" + user_ + "@127.0.0.1 JOIN :" + channel,
                                    me + "353 " + nick + " = " + channel + " :@" + nick,
                                    me + "366 " + nick + " " + channel + " :End of NAMES list"})
        lines += line + "\r\n";
    ::send(client_, lines.data(), static_cast<int>(lines.size()), 0);
    const DWORD settled = GetTickCount() + settle_ms;
    while (static_cast<int>(settled - GetTickCount()) > 0) read_client(10);
    return true;
}

void HostileServer::send_mix() {
    const HostileMix mix = hostile_mix(seed_, lines_, nickname_, channel);
    std::mt19937 sizes(seed_ + 1);
    const LONGLONG start = counter_now();
    const DWORD deadline = GetTickCount() + send_budget_ms_;
    size_t sent = 0;
    while (sent < mix.bytes.size() && !stop_ && static_cast<int>(deadline - GetTickCount()) > 0) {
        if (!read_client(0)) {
            run_.failure = "the client hung up during the mix";
            break;
        }
        if (!writable(client_, 50)) continue;
        // Mostly ordinary sends; one in twenty is a few bytes alone, which
        // cuts a line anywhere, also between its CR and LF.
        const bool tiny = sizes() % 20 == 0;
        const size_t size = tiny ? 1 + sizes() % 3 : 100 + sizes() % 16285;
        const int n = ::send(client_, mix.bytes.data() + sent,
                             static_cast<int>(std::min(size, mix.bytes.size() - sent)), 0);
        if (n <= 0) {
            run_.failure = "the connection failed during the mix";
            break;
        }
        sent += static_cast<size_t>(n);
        if (tiny) Sleep(1);  // lets the client read the piece on its own
    }
    run_.send_seconds = seconds_since(start);
    while (run_.lines_sent < mix.ends.size() && mix.ends[run_.lines_sent] <= sent) ++run_.lines_sent;
    if (run_.failure.empty() && sent < mix.bytes.size())
        run_.failure = "the client did not take the whole mix within " + std::to_string(send_budget_ms_ / 1000) + " s";
}

void HostileServer::await_pong() {
    const std::string ping = "PING :" + token_ + "\r\n";
    ::send(client_, ping.data(), static_cast<int>(ping.size()), 0);
    const LONGLONG pinged = counter_now();
    const DWORD deadline = GetTickCount() + pong_timeout_ms_;
    bool open = true;
    while (open && !pong_ && !stop_ && static_cast<int>(deadline - GetTickCount()) > 0) open = read_client(50);
    if (pong_)
        run_.pong_seconds = seconds_since(pinged);
    else if (!open)
        run_.failure = "the client hung up instead of answering the PING";
    else
        run_.failure = "no PONG within " + std::to_string(pong_timeout_ms_ / 1000) + " s";
}

}  // namespace e2e
