// One file end to end through Quillmere's own sender and receiver on
// loopback: encrypt while sending, receive into Downloads\, decrypt there.
// Once with the windowed sender, once with a strictly lock-step one.
// Usage: bench_file_transfer [size in MB, default 200] [plain file to send]
// (tools/bench/file_transfer_vs_openssl.sh runs it beside openssl and a copy).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "bench_clock.h"
#include "crypto/encrypting_reader.h"
#include "headless_client.h"
#include "transfer/file_receiver.h"
#include "transfer/file_sender.h"

namespace {

constexpr char password[] = "Bench-pass";

bool write_pattern_file(const std::wstring& path, unsigned long long size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string block(1 << 20, '\0');
    unsigned x = 12345;
    for (char& b : block) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b = static_cast<char>(x);
    }
    bool ok = true;
    for (unsigned long long left = size; ok && left;) {
        const DWORD piece = static_cast<DWORD>(left < block.size() ? left : block.size());
        DWORD written = 0;
        ok = WriteFile(file, block.data(), piece, &written, nullptr) && written == piece;
        left -= piece;
    }
    CloseHandle(file);
    return ok;
}

bool same_content(const std::wstring& a, const std::wstring& b) {
    FILE* fa = _wfopen(a.c_str(), L"rb");
    FILE* fb = _wfopen(b.c_str(), L"rb");
    bool same = fa && fb;
    std::string ba(1 << 20, '\0'), bb(1 << 20, '\0');
    while (same) {
        const size_t na = fread(&ba[0], 1, ba.size(), fa), nb = fread(&bb[0], 1, bb.size(), fb);
        same = na == nb && ba.compare(0, na, bb, 0, nb) == 0;
        if (na == 0) break;
    }
    if (fa) fclose(fa);
    if (fb) fclose(fb);
    return same;
}

// Seconds for one file, from the send command's hand-over to the decrypted
// file in Downloads\; negative on failure.
double transfer_once(ChatClient& client, const std::wstring& plain, unsigned window_chunks) {
    const std::wstring received = std::wstring(client.app_folder) + L"Downloads\\bench.bin";
    DeleteFileW(received.c_str());
    set_file_sender_window_chunks(window_chunks);
    const unsigned long served = file_receiver_connections_served();
    const double start = now_seconds();
    OutgoingFile file;
    file.address = "127.0.0.1";
    file.password = password;
    file.wire_name = "bench.bin.zof";
    file.display_name = L"bench.bin.zof";
    file.reader = std::make_unique<EncryptingReader>();
    if (!file.reader->open(plain)) return -1;
    start_file_sender(std::move(file));
    while (file_receiver_connections_served() == served) {
        bench::pump_messages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    const double seconds = now_seconds() - start;
    while (active_file_senders()) Sleep(1);
    return same_content(plain, received) ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned long long megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
    auto client = bench::start_headless_client(L"transfer");
    if (!client) return 1;
    switch_file_receiver(*client, true);
    for (int i = 0; i < 500 && !file_receiver_listening(); ++i) Sleep(10);
    if (!file_receiver_listening()) {
        std::printf("the receiver did not open\n");
        return 1;
    }
    set_file_sender_port(file_receiver_bound_port());
    {
        std::lock_guard<std::mutex> guard(client->password_lock);
        copy_text(client->encryption_passwords[1], password);
    }

    std::wstring plain;
    if (argc > 2) {
        plain = wide_text(argv[2], std::strlen(argv[2]), CP_ACP);
    } else {
        plain = std::wstring(client->app_folder) + L"plain.bin";
        if (!write_pattern_file(plain, megabytes << 20)) return 1;
    }
    const double windowed = transfer_once(*client, plain, 256);
    const double lock_step = transfer_once(*client, plain, 1);
    auto report = [&](const char* what, double seconds) {
        if (seconds < 0)
            std::printf("%-34s FAILED (received file differs or missing)\n", what);
        else
            std::printf("%-34s %7.2f s %8.1f MB/s\n", what, seconds, static_cast<double>(megabytes) / seconds);
    };
    std::printf("file of %llu MB, loopback, encrypt + send + receive + decrypt\n", megabytes);
    report("quillmere, windowed sender", windowed);
    report("quillmere, lock-step sender", lock_step);
    std::fflush(stdout);
    stop_file_senders();
    stop_file_receiver(*client, true);
    if (argc <= 2) DeleteFileW(plain.c_str());
    DeleteFileW((std::wstring(client->app_folder) + L"Downloads\\bench.bin").c_str());
    return windowed < 0 || lock_step < 0 ? 1 : 0;
}
