// Figures for sealed chats: the handshake's CPU time on each side (the
// answering side with one stored password and with sixteen), and sealed
// messages per second, sealing and opening.
// Usage: bench_sealed [messages, default 100000]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "crypto/sealed/sealed_chats.h"

namespace {

// CPU time of this thread in seconds: the handshake's cost, not the machine's load.
double cpu_seconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto to_seconds = [](const FILETIME& t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) * 1e-7;
    };
    return to_seconds(kernel) + to_seconds(user);
}

std::vector<CandidatePassword> stored(int count) {
    std::vector<CandidatePassword> list;
    for (int slot = 1; slot <= count; ++slot) {
        const std::string text = slot == count ? "the right one" : "other password " + std::to_string(slot);
        list.push_back({slot, Bytes(text.begin(), text.end())});
    }
    return list;
}

void bench_handshake(int passwords) {
    const int runs = 200;
    double offer = 0, answer = 0, confirm = 0, finish = 0;
    const std::vector<CandidatePassword> held = stored(passwords);
    for (int run = 0; run < runs; ++run) {
        SealedChats a, b;
        double t = cpu_seconds();
        const std::string line = a.offer("alice", "bob", Bytes{'t', 'h', 'e', ' ', 'r', 'i', 'g', 'h', 't', ' ', 'o', 'n', 'e'}, 0);
        offer += cpu_seconds() - t;
        t = cpu_seconds();
        SealedOutcome answered = b.receive("bob", "alice", line, held, 400, 0);
        answer += cpu_seconds() - t;
        t = cpu_seconds();
        SealedOutcome confirmed;
        for (const std::string& reply : answered.replies) {
            SealedOutcome got = a.receive("alice", "bob", reply, {}, 400, 0);
            if (!got.replies.empty()) confirmed = got;
        }
        confirm += cpu_seconds() - t;
        t = cpu_seconds();
        b.receive("bob", "alice", confirmed.replies.at(0), held, 400, 0);
        finish += cpu_seconds() - t;
        if (a.state("bob") != SealedChats::State::sealed || b.state("alice") != SealedChats::State::sealed)
            std::printf("handshake failed\n");
    }
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
    double t = cpu_seconds();
    for (int i = 0; i < count; ++i) lines.push_back(*a.seal("bob", PayloadKind::text, text));
    const double sealing = cpu_seconds() - t;
    t = cpu_seconds();
    int opened = 0;
    for (const std::string& line : lines) opened += b.receive("bob", "alice", line, {}, 400, 0).message ? 1 : 0;
    const double opening = cpu_seconds() - t;
    std::printf("%d sealed messages of %zu bytes: sealing %.0f/s, opening %.0f/s (%d opened)\n", count, text.size(),
                count / sealing, count / opening, opened);
}

}  // namespace

int main(int argc, char** argv) {
    const int messages = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 100000;
    bench_handshake(1);
    bench_handshake(16);
    bench_messages(messages);
    return 0;
}
