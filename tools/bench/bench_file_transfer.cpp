// One file end to end through Quillmere's own sender and receiver on
// loopback: encrypt while sending, receive into Downloads\, decrypt there.
// Once with the windowed sender, once with a strictly lock-step one; then the
// same file sealed for a correspondent whose session holds (announced, sent
// under a random name, opened and checked into Downloads\), windowed.
// Usage: bench_file_transfer [size in MB, default 200] [plain file to send, or -] [rounds]
// With rounds, the windowed and the sealed transfer take turns that many times
// (each going first in every other round) and the lock-step one is left out:
// on a loaded machine single figures say little.
// (tools/bench/file_transfer_vs_openssl.sh runs it beside openssl and a copy).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "chat/sealed_state.h"
#include "crypto/encrypting_reader.h"
#include "irc/chat_view.h"
#include "headless_client.h"
#include "transfer/file_receiver.h"
#include "transfer/file_sender.h"
#include "transfer/sealed_file_receive.h"

namespace {

constexpr char password[] = "Bench-pass";
constexpr char correspondent[] = "benchpeer";

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

// Wall-clock seconds, and the CPU seconds of the whole process (sender and
// receiver threads together), which the machine's other load does not swell.
struct Timing {
    double wall = -1, cpu = -1;
};

Timing timing_now() { return {now_seconds(), process_cpu_seconds()}; }

// The middle figure of each; a failed run makes the whole failed.
Timing median(std::vector<Timing> runs) {
    Timing middle;
    for (double Timing::*field : {&Timing::wall, &Timing::cpu}) {
        std::sort(runs.begin(), runs.end(), [field](const Timing& a, const Timing& b) { return a.*field < b.*field; });
        middle.*field = runs.front().*field < 0 ? -1 : runs[runs.size() / 2].*field;
    }
    return middle;
}

std::wstring received_path(const ChatClient& client) {
    return std::wstring(client.app_folder) + L"Downloads\\bench.bin";
}

// From `start` until the receiver has ended one more connection than `served`
// (it opens a file before its connection ends); failed when the file it saved
// is not the one sent.
Timing wait_received(ChatClient& client, const std::wstring& plain, unsigned long served, const Timing& start) {
    while (file_receiver_connections_served() == served) {
        bench::pump_messages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    const Timing end = timing_now();
    while (active_file_senders()) Sleep(1);
    if (!same_content(plain, received_path(client))) return {};
    return {end.wall - start.wall, end.cpu - start.cpu};
}

// Seconds for one file, from the send command's hand-over to the decrypted
// file in Downloads\; negative on failure.
Timing transfer_once(ChatClient& client, const std::wstring& plain, unsigned window_chunks) {
    DeleteFileW(received_path(client).c_str());
    set_file_sender_window_chunks(window_chunks);
    const unsigned long served = file_receiver_connections_served();
    const Timing start = timing_now();
    OutgoingFile file;
    file.address = "127.0.0.1";
    file.password = password;
    file.wire_name = "bench.bin.zof";
    file.display_name = L"bench.bin.zof";
    file.reader = std::make_unique<EncryptingReader>();
    if (!file.reader->open(plain)) return {};
    start_file_sender(std::move(file));
    return wait_received(client, plain, served, start);
}

// A session between the client and a correspondent held here: the client
// sends to itself, and both ends take their file keys from the same session.
bool make_session(ChatClient& client) {
    SealedChats peer;
    SealedChats& own = sealed_state(client).chats;
    const Bytes shared(password, password + std::strlen(password));
    std::vector<std::string> to_own{peer.offer(correspondent, "bench", shared, 0)}, to_peer;
    while (!to_own.empty()) {
        for (const std::string& line : to_own) {
            const SealedOutcome out = own.receive("bench", correspondent, line, {{1, shared}}, 400, 0);
            to_peer.insert(to_peer.end(), out.replies.begin(), out.replies.end());
        }
        to_own.clear();
        for (const std::string& line : to_peer) to_own = peer.receive(correspondent, "bench", line, {}, 400, 0).replies;
        to_peer.clear();
    }
    return own.state(correspondent) == SealedChats::State::sealed;
}

// The same as transfer_once for a sealed correspondent: the announcement as the
// receive thread takes it, then the file under its sealed wire name.
Timing transfer_sealed_once(ChatClient& client, const std::wstring& plain) {
    DeleteFileW(received_path(client).c_str());
    set_file_sender_window_chunks(256);
    const unsigned long served = file_receiver_connections_served();
    const Timing start = timing_now();
    const FileId id = random_file_id();
    std::optional<Key> key = sealed_state(client).chats.file_key_for(correspondent, id);
    if (!key) return {};
    OutgoingFile file;
    file.address = "127.0.0.1";
    file.wire_name = sealed_wire_name(id);
    file.display_name = L"bench.bin";
    file.sealed = std::make_unique<SealedFileReader>();
    const bool opened = file.sealed->open(plain, "bench.bin", *key);
    wipe(*key);
    if (!opened) return {};
    expect_sealed_file(client, ChatView{}, wide_text(correspondent, std::strlen(correspondent), CP_UTF8),
                       file_id_text(id));
    start_file_sender(std::move(file));
    return wait_received(client, plain, served, start);
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
    if (argc > 2 && std::strcmp(argv[2], "-") != 0) {
        plain = wide_text(argv[2], std::strlen(argv[2]), CP_ACP);
    } else {
        plain = std::wstring(client->app_folder) + L"plain.bin";
        if (!write_pattern_file(plain, megabytes << 20)) return 1;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 0;
    std::vector<Timing> windowed_runs, sealed_runs;
    const bool sealed_ok = make_session(*client);
    for (int round = 0; round < std::max(1, rounds); ++round) {
        const bool sealed_first = round % 2 == 1;
        if (sealed_first) sealed_runs.push_back(sealed_ok ? transfer_sealed_once(*client, plain) : Timing{});
        windowed_runs.push_back(transfer_once(*client, plain, 256));
        if (!sealed_first) sealed_runs.push_back(sealed_ok ? transfer_sealed_once(*client, plain) : Timing{});
        if (rounds)
            std::printf("round %d: windowed %.2f s (CPU %.2f s), sealed %.2f s (CPU %.2f s)\n", round + 1,
                        windowed_runs.back().wall, windowed_runs.back().cpu, sealed_runs.back().wall,
                        sealed_runs.back().cpu);
    }
    const Timing windowed = median(windowed_runs), sealed = median(sealed_runs);
    const Timing lock_step = rounds ? Timing{0, 0} : transfer_once(*client, plain, 1);
    auto report = [&](const char* what, const Timing& t) {
        if (t.wall < 0)
            std::printf("%-34s FAILED (received file differs or missing)\n", what);
        else
            std::printf("%-34s %7.2f s %8.1f MB/s   CPU %6.2f s\n", what, t.wall,
                        static_cast<double>(megabytes) / t.wall, t.cpu);
    };
    std::printf("file of %llu MB, loopback, encrypt + send + receive + decrypt%s\n", megabytes,
                rounds ? ", medians of the rounds" : "");
    report("quillmere, windowed sender", windowed);
    if (!rounds) report("quillmere, lock-step sender", lock_step);
    report("quillmere, sealed, windowed sender", sealed);
    std::fflush(stdout);
    stop_file_senders();
    stop_file_receiver(*client, true);
    if (argc <= 2 || std::strcmp(argv[2], "-") == 0) DeleteFileW(plain.c_str());
    DeleteFileW((std::wstring(client->app_folder) + L"Downloads\\bench.bin").c_str());
    return windowed.wall < 0 || lock_step.wall < 0 || sealed.wall < 0 ? 1 : 0;
}
