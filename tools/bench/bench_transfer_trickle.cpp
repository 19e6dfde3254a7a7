// One peer holds a connection to the real file receiver by trickling a
// byte a second into a file it announced at 999,999,999 bytes; meanwhile a
// second peer sends a good file through the real sender. Prints how long the
// good file took to arrive and be decrypted, then (unless --no-cut) how long
// the receiver let the trickler hold on before cutting it. With --holders N,
// N tricklers connect from another address (127.0.0.2) instead, and only the
// good file's time is printed.
// Usage: bench_transfer_trickle [size in KB of the good file, default 1024] [--no-cut] [--holders N]
#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "crypto/encrypting_reader.h"
#include "headless_client.h"
#include "support/file_bytes.h"
#include "transfer/file_receiver.h"
#include "transfer/file_sender.h"
#include "transfer/receiver_limits.h"

namespace {

constexpr char password[] = "Bench-pass";

// The trickling peer, written from the protocol alone: one unit, one answer.
class Trickler {
public:
    explicit Trickler(unsigned short port, const char* from = "127.0.0.1") {
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in own{};
        own.sin_family = AF_INET;
        own.sin_addr.s_addr = inet_addr(from);
        bind(socket_, reinterpret_cast<sockaddr*>(&own), sizeof own);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = inet_addr("127.0.0.1");
        address.sin_port = htons(port);
        DWORD timeout = 10000;
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        announced_ = connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     unit("File_send") && unit("endless.bin.zof") && unit("999999999");
    }
    ~Trickler() { closesocket(socket_); }
    bool announced() const { return announced_; }
    // One byte; false once the receiver has closed the connection.
    bool trickle() {
        if (send(socket_, "t", 1, 0) != 1) return false;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_, &readable);
        timeval none{0, 0};
        char byte;
        return select(0, &readable, nullptr, nullptr, &none) == 0 || recv(socket_, &byte, 1, 0) > 0;
    }

private:
    bool unit(const char* text) {
        char answer[32];
        return send(socket_, text, static_cast<int>(std::strlen(text)), 0) == static_cast<int>(std::strlen(text)) &&
               recv(socket_, answer, sizeof answer, 0) > 0;
    }
    SOCKET socket_ = INVALID_SOCKET;
    bool announced_ = false;
};

bool write_pattern_file(const std::wstring& path, size_t size) {
    std::string bytes(size, '\0');
    unsigned x = 2024;
    for (char& b : bytes) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b = static_cast<char>(x);
    }
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    const bool written = fwrite(bytes.data(), 1, size, file) == size;
    fclose(file);
    return written;
}


void pump_for(double seconds) {
    const double end = now_seconds() + seconds;
    while (now_seconds() < end) {
        bench::pump_messages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

}  // namespace

int main(int argc, char** argv) {
    size_t kilobytes = 1024;
    bool wait_for_cut = true;
    int holders = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-cut") == 0)
            wait_for_cut = false;
        else if (std::strcmp(argv[i], "--holders") == 0 && i + 1 < argc)
            holders = std::atoi(argv[++i]), wait_for_cut = false;
        else
            kilobytes = std::strtoul(argv[i], nullptr, 10);
    }
    auto client = bench::start_headless_client(L"trickle");
    if (!client) return 1;
    switch_file_receiver(*client, true);
    for (int i = 0; i < 500 && !file_receiver_listening(); ++i) Sleep(10);
    if (!file_receiver_listening()) {
        std::printf("the receiver did not open\n");
        return 1;
    }
    const unsigned short port = file_receiver_bound_port();
    set_file_sender_port(port);
    {
        std::lock_guard<std::mutex> guard(client->password_lock);
        copy_text(client->encryption_passwords[1], password);
    }
    const std::wstring plain = std::wstring(client->app_folder) + L"good.bin";
    const std::wstring received = std::wstring(client->app_folder) + L"Downloads\\good.bin";
    if (!write_pattern_file(plain, kilobytes * 1024)) return 1;

    // The other address's connections: the receiver keeps some and closes the rest.
    std::vector<std::unique_ptr<Trickler>> held;
    int accepted = 0;
    for (int i = 0; i < holders; ++i) {
        held.push_back(std::make_unique<Trickler>(port, "127.0.0.2"));
        if (held.back()->announced()) ++accepted;
    }
    if (!holders) {
        held.push_back(std::make_unique<Trickler>(port));
        if (!held.back()->announced()) {
            std::printf("trickle: the trickling peer could not announce its file\n");
            return 1;
        }
    }
    Trickler& trickler = *held.back();
    const double trickle_start = now_seconds();
    trickler.trickle();

    const unsigned long served = file_receiver_connections_served();
    const double start = now_seconds();
    OutgoingFile file;
    file.address = "127.0.0.1";
    file.password = password;
    file.wire_name = "good.bin.zof";
    file.display_name = L"good.bin.zof";
    file.reader = std::make_unique<EncryptingReader>();
    if (!file.reader->open(plain)) return 1;
    start_file_sender(std::move(file));
    // The trickler goes on, a byte a second, while the good file travels.
    double next_byte = now_seconds() + 1;
    bool trickling = true;
    while (file_receiver_connections_served() == served && now_seconds() - start < 120) {
        pump_for(0.005);
        if (trickling && now_seconds() >= next_byte) {
            for (auto& holder : held) trickling = holder->trickle() || holders;
            next_byte += 1;
        }
    }
    const double seconds = now_seconds() - start;
    const bool arrived = file_receiver_connections_served() != served && read_file_bytes(received) == read_file_bytes(plain);
    if (arrived && holders)
        std::printf("trickle: good file of %zu bytes arrived in %.2f s while 127.0.0.2 trickled on %d connections "
                    "(the receiver took %d of their files)\n",
                    kilobytes * 1024, seconds, holders, accepted);
    else if (arrived)
        std::printf("trickle: good file of %zu bytes arrived in %.2f s while another peer trickled\n",
                    kilobytes * 1024, seconds);
    else
        std::printf("trickle: the good file did not arrive within %.0f s while another peer trickled\n", seconds);
    std::fflush(stdout);

    double cut_after = -1;
    if (wait_for_cut) {
        const ReceiverLimits limits = receiver_limits();
        const double give_up = trickle_start + limits.rate_window_ms / 1000.0 * 3 + 10;
        while (trickling && now_seconds() < give_up) {
            pump_for(1);
            trickling = trickler.trickle();
        }
        if (!trickling) {
            cut_after = now_seconds() - trickle_start;
            std::printf("trickle: the trickling peer was cut after %.1f s (at least %u bytes/s over %.0f s required)\n",
                        cut_after, limits.min_rate, limits.rate_window_ms / 1000.0);
        } else {
            std::printf("trickle: the trickling peer still held its connection after %.0f s\n",
                        now_seconds() - trickle_start);
        }
    }
    std::fflush(stdout);
    stop_file_senders();
    stop_file_receiver(*client, true);
    DeleteFileW(plain.c_str());
    DeleteFileW(received.c_str());
    return arrived && (!wait_for_cut || cut_after >= 0) ? 0 : 1;
}
