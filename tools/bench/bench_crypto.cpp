// Figures for the encryption code: reading an encrypted message with sixteen
// stored passwords (right one last), cold and warm key cache; a burst of
// messages; file encryption and decryption throughput.
// Usage: bench_crypto [file size in MB, default 64]
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "app/chat_client.h"
#include "app/text.h"
#include "crypto/file_crypto.h"
#include "crypto/key_cache.h"
#include "crypto/message_crypto.h"

namespace {

FILE* report = stdout;

void store_passwords(ChatClient& client, const std::string& last) {
    std::lock_guard<std::mutex> guard(client.password_lock);
    for (int slot = 1; slot < password_count; ++slot)
        copy_text(client.encryption_passwords[slot], ("Other-password-" + std::to_string(slot)).c_str());
    copy_text(client.encryption_passwords[password_count], last.c_str());
}

void bench_messages(ChatClient& client) {
    const std::string password = "The-right-one";
    store_passwords(client, password);
    const std::string block = encrypt_message("An ordinary chat line of some forty bytes.", password);

    std::vector<double> cold;
    for (int run = 0; run < 5; ++run) {
        forget_derived_keys();
        const double start = now_seconds();
        if (!decrypt_with_any_password(client, block)) std::fprintf(report, "cold read failed\n");
        cold.push_back(now_seconds() - start);
    }
    std::sort(cold.begin(), cold.end());

    const int warm_reads = 2000;
    decrypt_with_any_password(client, block);
    double start = now_seconds();
    for (int i = 0; i < warm_reads; ++i)
        if (!decrypt_with_any_password(client, block)) std::fprintf(report, "warm read failed\n");
    const double warm = (now_seconds() - start) / warm_reads;

    std::fprintf(report, "read one message, 16 passwords, right one in slot 16:\n");
    std::fprintf(report, "  cold (16 derivations, median of 5): %10.3f ms\n", cold[2] * 1e3);
    std::fprintf(report, "  warm (keys cached, mean of %d):   %10.3f ms\n", warm_reads, warm * 1e3);
    std::fprintf(report, "  warm reads are %.0f times faster than cold ones\n", cold[2] / warm);

    std::vector<std::string> burst;
    for (int i = 0; i < 5000; ++i) burst.push_back(encrypt_message("burst line " + std::to_string(i), password));
    start = now_seconds();
    size_t decrypted = 0;
    for (const std::string& b : burst) decrypted += decrypt_with_any_password(client, b).has_value();
    const double burst_seconds = now_seconds() - start;
    std::fprintf(report, "burst of %zu messages (right password in slot 16): %.0f messages/s (%zu decrypted)\n",
                 burst.size(), burst.size() / burst_seconds, decrypted);

    start = now_seconds();
    for (int i = 0; i < warm_reads; ++i) encrypt_message("An ordinary chat line of some forty bytes.", password);
    std::fprintf(report, "send one message (key cached): %.3f ms\n", (now_seconds() - start) / warm_reads * 1e3);
}

void bench_files(unsigned megabytes) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string folder = narrow_text(temp, CP_THREAD_ACP);
    const std::string plain = folder + "bench_crypto.bin", encrypted = plain + ".zof", back = folder + "bench_crypto.back";
    FILE* f = std::fopen(plain.c_str(), "wb");
    if (!f) {
        std::fprintf(report, "cannot write %s\n", plain.c_str());
        return;
    }
    std::string chunk(1 << 20, '\0');
    unsigned x = 2463534242u;
    for (char& c : chunk) x ^= x << 13, x ^= x >> 17, x ^= x << 5, c = static_cast<char>(x);
    for (unsigned i = 0; i < megabytes; ++i) std::fwrite(chunk.data(), 1, chunk.size(), f);
    std::fclose(f);

    const std::string password = "File-password";
    cached_key_iv(password);  // the figures are for the cipher, not the derivation
    double start = now_seconds();
    encrypt_file(password, plain, encrypted);
    const double encrypt_seconds = now_seconds() - start;
    start = now_seconds();
    decrypt_file(password, encrypted, back);
    const double decrypt_seconds = now_seconds() - start;
    std::fprintf(report, "file of %u MB: encryption %.1f MB/s, decryption %.1f MB/s\n", megabytes,
                 megabytes / encrypt_seconds, megabytes / decrypt_seconds);
    for (const std::string& path : {plain, encrypted, back}) DeleteFileA(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned megabytes = argc > 1 ? static_cast<unsigned>(std::max(1, std::atoi(argv[1]))) : 64;
    // Every failed password slot writes the library's error text to standard
    // output. The figures go to a copy of the original stream, and the error
    // texts to a scratch file: an ordinary file, as for a program whose output
    // is logged (Wine's NUL device costs milliseconds per write and would
    // measure Wine rather than the program).
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string error_file = narrow_text(temp, CP_THREAD_ACP) + "bench_crypto_errors.txt";
    const int figures = _dup(_fileno(stdout));
    if (figures >= 0) {
        report = _fdopen(figures, "w");
        std::setvbuf(report, nullptr, _IONBF, 0);
        if (!std::freopen(error_file.c_str(), "w", stdout)) std::fprintf(report, "error texts not redirected\n");
    }
    static ChatClient client(SW_HIDE, L"QuillmereBenchClass", GetModuleHandleW(nullptr), L"bench");
    bench_messages(client);
    bench_files(megabytes);
    forget_derived_keys();
    std::fclose(stdout);
    DeleteFileA(error_file.c_str());
    return 0;
}
