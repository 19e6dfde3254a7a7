// Connect and Disconnect in quick succession against a real IRC server, in
// the real program (hidden main window), while another client floods the
// channel Quillmere joins on connecting. Afterwards one last connection is
// made and the program and the server are asked what is left: threads and
// handles of the process before and after, the identity and the number of
// Quillmere's sessions the server sees. Exit status 1 when something leaked.
//
//   tools/ngircd_fixture.sh start build/storm-ngircd
//   wine64 build/tools/bench/bench_reconnect_storm.exe PORT [--cycles 100] [--seed 7]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_clock.h"
#include "headless_client.h"
#include "connection/receive_loop.h"
#include "support/channel_flooder.h"
#include "support/process_probe.h"
#include "support/reconnect_storm.h"

namespace {
const char* const nickname = "Stormfan";
const char* const username = "stormy";
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_reconnect_storm PORT [--cycles N] [--seed N]\n");
        return 2;
    }
    const unsigned short port = static_cast<unsigned short>(std::atoi(argv[1]));
    int cycles = 100;
    unsigned seed = 7;
    for (int at = 2; at + 1 < argc; at += 2) {
        if (std::strcmp(argv[at], "--cycles") == 0) cycles = std::atoi(argv[at + 1]);
        if (std::strcmp(argv[at], "--seed") == 0) seed = static_cast<unsigned>(std::atoi(argv[at + 1]));
    }

    std::unique_ptr<ChatClient> headless = bench::start_headless_client(L"storm");
    if (!headless) {
        std::fprintf(stderr, "bench_reconnect_storm: the main window could not be created\n");
        return 1;
    }
    ChatClient& client = *headless;
    const std::wstring ini = std::wstring(client.app_folder) + L"Settings\\Settings.ini";
    WritePrivateProfileStringW(L"channels", L"channel_name_1", L"storm", ini.c_str());
    WritePrivateProfileStringW(L"channels", L"channel_autojoin_1", L"true", ini.c_str());

    probe::ChannelFlooder peer;
    if (!peer.join(port, "stormpeer", "#storm")) {
        std::fprintf(stderr, "bench_reconnect_storm: no IRC server on 127.0.0.1:%d\n", port);
        return 1;
    }
    peer.start_flood(5);
    const ConnectRequest request{L"127.0.0.1", std::to_wstring(port), wide_text(std::string(nickname), CP_ACP),
                                 wide_text(std::string(username), CP_ACP)};
    probe::ProcessSnapshot before, after;
    if (!probe::connect_and_settle(client, request, L"#storm", before)) {
        std::fprintf(stderr, "bench_reconnect_storm: the first connection did not get into #storm (registered: %s)\n",
                     probe::registered(client) ? "yes" : "no");
        return 1;
    }
    const double start = now_seconds();
    const probe::StormCounts storm = probe::reconnect_storm(client, request, cycles, seed);
    const double storm_seconds = now_seconds() - start;
    const bool ready = probe::connect_and_settle(client, request, L"#storm", after);
    peer.stop_flood();

    const probe::ServerView server = probe::server_view(peer, nickname, username, bench::pump_messages);
    const std::string identity = std::string(" 311 stormpeer ") + nickname + " ~z-z" + username + " ";
    const bool right_identity =
        server.whois.find(identity) != std::string::npos && client.connection.nickname == request.nickname;

    std::printf("bench_reconnect_storm: %d cycles in %.1f s (%d connects succeeded, %d hung up after registration)\n",
                storm.cycles, storm_seconds, storm.connected, storm.after_registration);
    std::printf("bench_reconnect_storm: final connection %s\n", ready ? "registered and in #storm" : "NOT ready");
    std::printf("bench_reconnect_storm: threads of the process %d before the storm, %d after "
                "(one connection each time): %d receive threads left over\n",
                before.threads, after.threads, after.threads - before.threads);
    std::printf("bench_reconnect_storm: handles %d before, %d after (slack %d)\n", before.handles, after.handles,
                probe::storm_handle_slack);
    std::printf("bench_reconnect_storm: the server sees %d session(s) with user *%s* and %d unregistered "
                "connection(s); %s: %s\n",
                server.sessions, username, server.unregistered, right_identity ? "right identity" : "WRONG identity",
                server.whois.c_str());

    const bool ok = ready && server.sessions == 1 && server.unregistered == 0 && right_identity &&
                    after.threads <= before.threads && after.handles <= before.handles + probe::storm_handle_slack;
    std::printf("bench_reconnect_storm: %s\n", ok ? "no leak" : "FAILED");
    stop_receive_thread(client);
    return ok ? 0 : 1;
}
