// Figures for sealed chats: the handshake's CPU time on each side (the
// answering side with one stored password and with sixteen), and sealed
// messages per second, sealing and opening; and a file's content sealed and
// opened against the compatible AES-256-CBC form, in memory (no disk, no network).
// Usage: bench_sealed [messages, default 100000] [file megabytes, default 200]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "crypto/aes_cbc.h"
#include "crypto/key_derivation.h"
#include "crypto/sealed/sealed_chats.h"
#include "crypto/sealed/sealed_file.h"

namespace {

std::vector<CandidatePassword> stored(int count) {
    std::vector<CandidatePassword> list;
    for (int slot = 1; slot <= count; ++slot) {
        const std::string text = slot == count ? "the right one" : "other password " + std::to_string(slot);
        list.push_back({slot, Bytes(text.begin(), text.end())});
    }
    return list;
}

// Each step of the handshake runs for every pair before the next step, and
// is timed as a whole: Wine's thread clock ticks in steps of about 16 ms, so
// timing each step of each run would count mostly zeros and a few ticks.
void bench_handshake(int passwords) {
    const int runs = 1000;
    const std::vector<CandidatePassword> held = stored(passwords);
    const Bytes right{'t', 'h', 'e', ' ', 'r', 'i', 'g', 'h', 't', ' ', 'o', 'n', 'e'};
    std::vector<SealedChats> a(runs), b(runs);
    std::vector<std::string> offers(runs), confirmations(runs);
    std::vector<std::vector<std::string>> answers(runs);
    double t = thread_cpu_seconds();
    for (int i = 0; i < runs; ++i) offers[i] = a[i].offer("alice", "bob", right, 0);
    const double offer = thread_cpu_seconds() - t;
    t = thread_cpu_seconds();
    for (int i = 0; i < runs; ++i) answers[i] = b[i].receive("bob", "alice", offers[i], held, 400, 0).replies;
    const double answer = thread_cpu_seconds() - t;
    t = thread_cpu_seconds();
    for (int i = 0; i < runs; ++i)
        for (const std::string& reply : answers[i]) {
            SealedOutcome got = a[i].receive("alice", "bob", reply, {}, 400, 0);
            if (!got.replies.empty()) confirmations[i] = got.replies[0];
        }
    const double confirm = thread_cpu_seconds() - t;
    t = thread_cpu_seconds();
    for (int i = 0; i < runs; ++i) b[i].receive("bob", "alice", confirmations[i], held, 400, 0);
    const double finish = thread_cpu_seconds() - t;
    int failed = 0;
    for (int i = 0; i < runs; ++i)
        failed += a[i].state("bob") != SealedChats::State::sealed || b[i].state("alice") != SealedChats::State::sealed;
    if (failed) std::printf("%d handshakes failed\n", failed);
    std::printf("handshake, %2d stored password(s) on the answering side, CPU per run (mean of %d):\n", passwords, runs);
    std::printf("  offering side:  %8.3f ms (offer %.3f + reading the answer %.3f)\n", (offer + confirm) / runs * 1e3,
                offer / runs * 1e3, confirm / runs * 1e3);
    std::printf("  answering side: %8.3f ms (answer %.3f + reading the confirmation %.3f)\n",
                (answer + finish) / runs * 1e3, answer / runs * 1e3, finish / runs * 1e3);
}

void bench_messages(int count) {
    SealedChats a, b;
    const std::vector<CandidatePassword> held = stored(1);
    SealedOutcome answered = b.receive("bob", "alice", a.offer("alice", "bob", held[0].password, 0), held, 400, 0);
    for (const std::string& reply : answered.replies)
        for (const std::string& confirm : a.receive("alice", "bob", reply, {}, 400, 0).replies)
            b.receive("bob", "alice", confirm, held, 400, 0);
    const std::string text = "An ordinary chat line of some forty bytes.";
    std::vector<std::string> lines;
    lines.reserve(count);
    double t = thread_cpu_seconds();
    for (int i = 0; i < count; ++i) lines.push_back(*a.seal("bob", PayloadKind::text, text));
    const double sealing = thread_cpu_seconds() - t;
    t = thread_cpu_seconds();
    int opened = 0;
    for (const std::string& line : lines) opened += b.receive("bob", "alice", line, {}, 400, 0).message ? 1 : 0;
    const double opening = thread_cpu_seconds() - t;
    std::printf("%d sealed messages of %zu bytes: sealing %.0f/s, opening %.0f/s (%d opened)\n", count, text.size(),
                count / sealing, count / opening, opened);
}

// The content in 64 KiB pieces, as the sender reads it; the pattern is made
// outside the timed parts.
void bench_files(int megabytes) {
    const size_t total = static_cast<size_t>(megabytes) * 1024 * 1024, piece = sealed_file::chunk_size;
    std::vector<uint8_t> plain(piece);
    for (size_t i = 0; i < piece; ++i) plain[i] = static_cast<uint8_t>(i * 31 + i / 251);
    std::vector<uint8_t> out(piece + 64);

    const KeyMaterial material = derive_key_iv("benchmark password");
    std::vector<uint8_t> cbc(total);
    double t = thread_cpu_seconds();
    {
        CbcEncryption encryption(material);
        for (size_t at = 0; at < total; at += piece) encryption.mode().ProcessData(cbc.data() + at, plain.data(), piece);
    }
    const double cbc_seal = thread_cpu_seconds() - t;
    t = thread_cpu_seconds();
    {
        CbcDecryption decryption(material);
        for (size_t at = 0; at < total; at += piece) decryption.mode().ProcessData(out.data(), cbc.data() + at, piece);
    }
    const double cbc_open = thread_cpu_seconds() - t;
    cbc.clear();
    cbc.shrink_to_fit();

    Key key{};
    key[0] = 1;
    Bytes stream;
    stream.reserve(static_cast<size_t>(sealed_file_size(total)));
    t = thread_cpu_seconds();
    {
        FileSealer sealer(key);
        sealer.start("benchmark.bin", total, stream);
        for (size_t at = 0; at < total; at += piece) sealer.seal(plain.data(), piece, false, stream);
        sealer.seal(plain.data(), 0, true, stream);
    }
    const double sealed_seal = thread_cpu_seconds() - t;
    t = thread_cpu_seconds();
    FileOpener opener(key, stream.size());
    Bytes opened;
    opened.reserve(piece + 64);
    for (size_t at = 0; at < stream.size(); at += piece) {
        opened.clear();
        opener.feed(stream.data() + at, std::min(piece, stream.size() - at), opened);
    }
    const double sealed_open = thread_cpu_seconds() - t;
    const double mb = static_cast<double>(megabytes);
    std::printf("a %d MB file, CPU seconds (MB/s):\n", megabytes);
    std::printf("  compatible AES-256-CBC:  encrypt %.2f s (%.0f), decrypt %.2f s (%.0f)\n", cbc_seal, mb / cbc_seal,
                cbc_open, mb / cbc_open);
    std::printf("  sealed secretstream:     seal %.2f s (%.0f), open and check %.2f s (%.0f)%s\n", sealed_seal,
                mb / sealed_seal, sealed_open, mb / sealed_open, opener.complete() ? "" : " -- NOT COMPLETE");
}

}  // namespace

int main(int argc, char** argv) {
    const int messages = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 100000;
    bench_handshake(1);
    bench_handshake(16);
    bench_messages(messages);
    bench_files(argc > 2 ? std::max(1, std::atoi(argv[2])) : 200);
    return 0;
}
