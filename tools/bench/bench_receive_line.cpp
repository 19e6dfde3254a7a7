// Pushes typical IRC lines from a loopback server through receive_line and
// prints lines per second and MB/s, beside plainly draining the same bytes
// from a socket (the upper limit for any line reader).
#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/text.h"
#include "app/wire_text.h"
#include "net/server_socket.h"
#include "support/loopback.h"

namespace {

constexpr int line_count = 200000;
constexpr int rounds = 9;

std::string make_traffic() {
    const char* senders[] = {"alice!~alice@host-1.example", "bob!~b@10.0.0.2", "carol!carol@irc.example.org",
                             "dave!~dave@user/dave"};
    std::string traffic;
    for (int i = 0; i < line_count; ++i) {
        char line[512];
        int n = snprintf(line, sizeof line, ":%s PRIVMSG #quillmere :message number %d with some ordinary chat text\r\n",
                         senders[i % 4], i);
        traffic.append(line, n);
    }
    return traffic;
}

struct Server {
    SOCKET listener, client = INVALID_SOCKET;
    unsigned short port;
    Server() { listener = listen_on_loopback(1, port); }
    void serve(const std::string& bytes) {
        client = accept(listener, nullptr, nullptr);
        size_t sent = 0;
        while (sent < bytes.size()) {
            int n = send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
            if (n <= 0) break;
            sent += n;
        }
        shutdown(client, SD_BOTH);
        closesocket(client);
        closesocket(listener);
    }
};

void report(const char* what, double seconds, long long lines, size_t bytes) {
    printf("%-28s %10.0f lines/s %8.1f MB/s  (median %.3f s)\n", what, lines / seconds, bytes / seconds / 1e6, seconds);
}

double drain_seconds(const std::string& traffic, size_t& total) {
    Server server;
    std::thread t([&] { server.serve(traffic); });
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(server.port);
    connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    auto start = std::chrono::steady_clock::now();
    total = 0;
    static char buffer[65536];
    for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) total += n;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    closesocket(s);
    t.join();
    return seconds;
}

double receive_line_seconds(const std::string& traffic, long long& lines) {
    Server server;
    std::thread t([&] { server.serve(traffic); });
    ServerSocket socket;
    connect_to_server(socket, L"127.0.0.1", server.port);
    auto start = std::chrono::steady_clock::now();
    lines = 0;
    std::wstring line;
    while (receive_line(socket, line) > 1) ++lines;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close_connection(socket);
    t.join();
    return seconds;
}

struct MemorySource {
    const std::string* bytes;
    size_t at = 0;
};

int read_memory(void* source, char* data, int size) {
    auto* memory = static_cast<MemorySource*>(source);
    size_t n = std::min<size_t>(size, memory->bytes->size() - memory->at);
    memcpy(data, memory->bytes->data() + memory->at, n);
    memory->at += n;
    return static_cast<int>(n);
}

// The reader and the conversion alone, without a socket: what is left of
// receive_line's cost once the network is taken away.
double memory_seconds(const std::string& traffic) {
    MemorySource source{&traffic};
    LineReader reader;
    std::wstring line;
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        std::string_view bytes = reader.read_line_view(read_memory, &source);
        if (bytes.empty()) break;
        decode_wire_text(bytes.data(), bytes.size(), CP_ACP, line);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

// Rounds alternate the two readers so that a machine whose speed drifts
// affects both alike; the medians and the median of the per-round ratios are
// the figures to quote.
int main() {
    start_network();
    const std::string traffic = make_traffic();
    printf("%d lines, %zu bytes, %d rounds\n", line_count, traffic.size(), rounds);
    std::vector<double> drains, reads, memory, ratios;
    for (int round = 0; round < rounds; ++round) {
        size_t total = 0;
        long long lines = 0;
        drains.push_back(drain_seconds(traffic, total));
        reads.push_back(receive_line_seconds(traffic, lines));
        ratios.push_back(drains.back() / reads.back());
        memory.push_back(memory_seconds(traffic));
        if (lines != line_count) printf("warning: %lld lines read, %d sent\n", lines, line_count);
    }
    report("drain socket (upper limit)", median(drains), line_count, traffic.size());
    report("receive_line", median(reads), line_count, traffic.size());
    report("reader alone, from memory", median(memory), line_count, traffic.size());
    printf("receive_line / drain speed: %.2f (median of the rounds' ratios)\n", median(ratios));
    WSACleanup();
    return 0;
}
