#pragma once
// Connect and Disconnect in quick succession, as an impatient user does with
// the menu, on the user-interface thread of the real program. Header-only and
// free of GoogleTest, so that benchmarks use it too.
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "mainwindow/main_window.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "net/server_socket.h"
#include "resources/resource_ids.h"
#include "support/channel_flooder.h"
#include "support/process_probe.h"

namespace probe {

// Runs this thread's messages until `done` holds or the time is up.
inline bool pump_until(const std::function<bool()>& done, int timeout_ms) {
    const DWORD deadline = GetTickCount() + timeout_ms;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done && done()) return true;
        if (static_cast<int>(deadline - GetTickCount()) <= 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    }
}

// Registration has completed when the menu offers Disconnect.
inline bool registered(const ChatClient& client) {
    return client.menu && !(GetMenuState(client.menu, IDM_DISCONNECT, MF_BYCOMMAND) & MF_GRAYED);
}

// What the menu's Disconnect does, less its QUIT and the up to two seconds it
// lets the QUIT reach the server: a storm of a hundred cycles would spend
// minutes waiting. Ending the receive thread closes the connection.
inline void disconnect_from_server(ChatClient& client) {
    stop_receive_thread(client);
    disconnect_reset(client);
}

struct StormCounts {
    int cycles = 0;
    int connected = 0;            // the connect itself succeeded
    int after_registration = 0;   // hung up once registration had completed
};

// `cycles` times Connect, a wait of 0 to 50 ms, Disconnect. A local server
// registers a client within a few milliseconds: so that both sides of
// registration are hit whatever the machine's pace, every fourth cycle hangs
// up at once and every fourth first waits for registration.
inline StormCounts reconnect_storm(ChatClient& client, const ConnectRequest& request, int cycles, unsigned seed) {
    std::mt19937 random(seed);
    StormCounts counts;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        ++counts.cycles;
        if (connect_and_start(client, request)) ++counts.connected;
        if (cycle % 4 == 3) pump_until([&] { return registered(client); }, 3000);
        const DWORD delay_ms = cycle % 4 == 1 ? 0 : random() % 51;
        pump_until(nullptr, static_cast<int>(delay_ms));
        if (registered(client)) ++counts.after_registration;
        disconnect_from_server(client);
        pump_until(nullptr, 0);
    }
    return counts;
}

// A settled process may still open a handle now and then (Wine makes some of
// its own objects on first use by one path or another); a leak of one handle
// per cycle shows as 100 after a storm of 100.
constexpr int storm_handle_slack = 10;

struct ProcessSnapshot {
    int threads = 0, handles = 0;
};

// Connects and waits until registration is done and `channel` (a favourite
// joined on connecting) is open, then lets the process settle and counts its
// threads and handles. False when the connection did not get that far.
inline bool connect_and_settle(ChatClient& client, const ConnectRequest& request, const wchar_t* channel,
                               ProcessSnapshot& snapshot) {
    if (!connect_and_start(client, request)) return false;
    const bool ready = pump_until([&] { return registered(client) && find_chat(client, channel) > 0; }, 20000);
    pump_until(nullptr, 1000);
    snapshot = {thread_count(), handle_count()};
    return ready;
}

// What the server sees of Quillmere, asked by the flooder once it has stopped.
struct ServerView {
    int sessions = 0;       // registered sessions with Quillmere's user name
    int unregistered = 0;   // connections that never registered
    std::string whois;      // the WHOIS reply's 311 line about the nickname
};

inline ServerView server_view(ChannelFlooder& peer, const std::string& nickname, const std::string& username,
                              const std::function<void()>& idle) {
    ServerView view;
    for (const std::string& line : peer.ask("WHO *" + username + "*", idle))
        if (line.find(" 352 ") != std::string::npos) ++view.sessions;
    for (const std::string& line : peer.ask("WHOIS " + nickname, idle))
        if (line.find(" 311 ") != std::string::npos) view.whois = line;
    for (const std::string& line : peer.ask("LUSERS", idle)) {
        // "253 <me> N :unknown connection(s)", absent when there are none.
        const size_t at = line.find(" 253 ");
        const size_t number = at == std::string::npos ? at : line.find(' ', at + 5);
        if (number != std::string::npos) view.unregistered = std::atoi(line.c_str() + number + 1);
    }
    return view;
}

}  // namespace probe
