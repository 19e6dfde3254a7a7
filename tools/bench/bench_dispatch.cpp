// Figures for the line dispatcher: microseconds per line to split, to route a
// channel message on the user-interface thread and from a receive thread, to
// take a QUIT across full channels, and to rebuild a large user list.
// Usage: bench_dispatch [lines per stage, default 2000]
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/user_list.h"
#include "framework/basic_window.h"
#include "irc/irc_line.h"

namespace {

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

template <class Work>
double per_item_us(int count, Work work) {
    const double start = now_seconds();
    for (int n = 0; n < count; ++n) work(n);
    return (now_seconds() - start) * 1e6 / count;
}

void report(const char* stage, double us) {
    std::printf("%-52s %12.2f\n", stage, us);
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 2000;
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    LoadLibraryW(L"Msftedit.dll");
    ChatClient client(SW_HIDE, L"QuillmereBenchClass", GetModuleHandleW(nullptr), L"bench");
    if (!create_main_window(client)) return 1;
    if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
    client.connection.nickname = L"me";
    client.enable_sounds_app = false;

    const std::wstring message = L":somebody!user@host.example PRIVMSG #bench :" + std::wstring(150, L'x');
    const std::wstring spaces(65535, L' ');
    std::printf("%d lines per stage\n%-52s %12s\n", lines, "stage", "us per line");

    IrcLine parsed;
    report("split a 200-character message", per_item_us(lines, [&](int) { split_tokens(message, parsed); }));
    report("split a line of 65535 spaces", per_item_us(20, [&](int) { split_tokens(spaces, parsed); }));
    report("route a line nobody handles (server tab)",
           per_item_us(lines, [&](int) { dispatch_line(client, L":srv 999 me :unknown reply"); }));

    create_chat(client, L"#bench", true);
    report("channel message, user-interface thread", per_item_us(lines, [&](int) { dispatch_line(client, message); }));

    std::atomic<bool> done{false};
    double receive_cost = 0;
    std::thread receiver([&] {
        receive_cost = per_item_us(lines, [&](int) { dispatch_line(client, message); });
        done = true;
    });
    while (!done) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pump();
    }
    receiver.join();
    report("channel message, receive thread", receive_cost);

    // Seventeen channels of 500 users each; every QUIT searches them all.
    close_chat(client, L"#bench");
    std::vector<int> channels;
    for (int c = 0; c < 17; ++c) channels.push_back(create_chat(client, (L"#c" + std::to_wstring(c)).c_str(), true));
    for (int slot : channels)
        for (int u = 0; u < 500; ++u) add_user(client, slot, (L"user" + std::to_wstring(u)).c_str());
    report("QUIT of a user listed in 17 channels of 500", per_item_us(500, [&](int n) {
               dispatch_line(client, L":user" + std::to_wstring(n) + L"!u@h QUIT :bye");
           }));

    const int big = channels.front();
    for (int u = 0; u < 5000; ++u) add_user(client, big, (L"@op" + std::to_wstring(u)).c_str());
    report("rebuild a user list of 5000 (per rebuild)", per_item_us(5, [&](int) { refresh_user_list(client, big); }));
    return 0;
}
