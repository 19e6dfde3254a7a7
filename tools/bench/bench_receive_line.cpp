// Pushes typical IRC lines from a loopback server through receive_line and
// prints lines per second and MB/s, beside plainly draining the same bytes
// from a socket (the upper limit for any line reader).
#include <winsock2.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "net/server_socket.h"

namespace {

constexpr int line_count = 200000;

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
    Server() {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener, 1);
        int len = sizeof a;
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
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
    printf("%-28s %10.0f lines/s %8.1f MB/s  (%.3f s)\n", what, lines / seconds, bytes / seconds / 1e6, seconds);
}

}  // namespace

int main() {
    start_network();
    const std::string traffic = make_traffic();
    using clock = std::chrono::steady_clock;
    printf("%d lines, %zu bytes\n", line_count, traffic.size());

    {
        Server server;
        std::thread t([&] { server.serve(traffic); });
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(server.port);
        connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        auto start = clock::now();
        size_t total = 0;
        char buffer[65536];
        for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) total += n;
        double seconds = std::chrono::duration<double>(clock::now() - start).count();
        closesocket(s);
        t.join();
        report("drain socket (upper limit)", seconds, line_count, total);
    }
    {
        Server server;
        std::thread t([&] { server.serve(traffic); });
        ServerSocket socket;
        connect_to_server(socket, L"127.0.0.1", server.port);
        auto start = clock::now();
        long long lines = 0;
        std::wstring line;
        while (receive_line(socket, line) > 1) ++lines;
        double seconds = std::chrono::duration<double>(clock::now() - start).count();
        close_connection(socket);
        t.join();
        report("receive_line", seconds, lines, traffic.size());
        if (lines != line_count) printf("warning: %lld lines read, %d sent\n", lines, line_count);
    }
    WSACleanup();
    return 0;
}
