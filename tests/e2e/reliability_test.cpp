// Quillmere under abuse, through real loopback sockets: a user who connects
// and disconnects in quick succession against the e2e ngircd, and a server
// that sends a hostile mix of lines. What must hold afterwards: nothing is
// left of the dropped connections, the PING behind the mix is answered, memory
// stays bounded and the window still answers.
#include <gtest/gtest.h>

#include <cstdio>

#include "e2e_support.h"
#include "hostile_server.h"
#include "support/channel_flooder.h"
#include "support/process_probe.h"
#include "support/reconnect_storm.h"

namespace {
using namespace net_test;

// The test client as a user finds it after starting: disconnected, no chats,
// a fresh program folder; and left that way for the suites after.
class Abuse : public testing::Test {
protected:
    ChatClient& fresh_client(const wchar_t* tag) {
        ChatClient& client = test_client();
        hang_up(client);
        use_fresh_folder(client, tag);
        client.check_compatible_app = true;
        client.allow_open_private_chats = true;
        client.reply_away_message = false;
        client.enable_sounds_app = false;
        client.save_log_file = false;
        client.connection.public_ip = L"192.0.2.1";  // no lookup on the network
        return client;
    }
    void TearDown() override { hang_up(test_client()); }
    static void hang_up(ChatClient& client) {
        probe::disconnect_from_server(client);
        pump_messages();
    }
    BoxRecorder boxes;  // join refusals ask with boxes; nobody is there to close them
};

// The storm's checks rest on these counts: they must see one more of each.
DWORD WINAPI wait_for_event(void* event) {
    WaitForSingleObject(static_cast<HANDLE>(event), 10000);
    return 0;
}

TEST(ProcessProbe, SeesAHandleOpenedAndAThreadStarted) {
    const int handles = probe::handle_count(), threads = probe::thread_count();
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE waiter = CreateThread(nullptr, 0, wait_for_event, event, 0, nullptr);
    EXPECT_EQ(probe::handle_count(), handles + 2);
    EXPECT_EQ(probe::thread_count(), threads + 1);
    SetEvent(event);
    WaitForSingleObject(waiter, 10000);
    CloseHandle(waiter);
    CloseHandle(event);
    EXPECT_EQ(probe::handle_count(), handles);
    EXPECT_EQ(probe::thread_count(), threads);
}

constexpr int storm_cycles = 100;

TEST_F(Abuse, ReconnectStormLeavesOneSessionOneReceiveThreadAndNoHandles) {
    const unsigned short port = e2e::ngircd_port();
    ASSERT_NE(port, 0) << "no ngircd: run through CTest (tools/test.sh -R e2e), which starts it";
    ChatClient& client = fresh_client(L"storm");
    const std::wstring ini = std::wstring(client.app_folder) + L"Settings\\Settings.ini";
    WritePrivateProfileStringW(L"channels", L"channel_name_1", L"storm", ini.c_str());
    WritePrivateProfileStringW(L"channels", L"channel_autojoin_1", L"true", ini.c_str());

    probe::ChannelFlooder peer;
    ASSERT_TRUE(peer.join(port, "stormpeer", "#storm"));
    peer.start_flood(5);
    const ConnectRequest request{L"127.0.0.1", std::to_wstring(port), L"Stormfan", L"stormy"};
    probe::ProcessSnapshot before, after;
    ASSERT_TRUE(probe::connect_and_settle(client, request, L"#storm", before));
    const probe::StormCounts storm = probe::reconnect_storm(client, request, storm_cycles, 7);
    const bool ready = probe::connect_and_settle(client, request, L"#storm", after);
    peer.stop_flood();
    const probe::ServerView server = probe::server_view(peer, "Stormfan", "stormy", pump_messages);
    std::printf("reconnect storm: threads %d -> %d, handles %d -> %d, %d of %d hung up after registration\n",
                before.threads, after.threads, before.handles, after.handles, storm.after_registration, storm_cycles);

    EXPECT_EQ(storm.connected, storm_cycles);
    // Both sides of registration were hit.
    EXPECT_GT(storm.after_registration, 0);
    EXPECT_LT(storm.after_registration, storm_cycles);
    EXPECT_TRUE(ready) << "the last connection did not register and join #storm";
    EXPECT_EQ(server.sessions, 1) << "sessions the server still holds for Quillmere";
    EXPECT_EQ(server.unregistered, 0) << "connections that never registered";
    EXPECT_NE(server.whois.find(" 311 stormpeer Stormfan ~z-zstormy "), std::string::npos) << server.whois;
    EXPECT_EQ(client.connection.nickname, L"Stormfan");
    EXPECT_LE(after.threads, before.threads) << "receive threads left over";
    EXPECT_LE(after.handles, before.handles + probe::storm_handle_slack);
}

// Every one of the 100,000 lines (about 15 MB) is taken, then the PING behind
// them answered. How fast is for tools/reliability.sh to measure: the limits
// here only end a run whose client stopped reading.
constexpr size_t mix_lines = 100000;
constexpr unsigned mix_seed = 20240607;
constexpr DWORD mix_budget_ms = 300000;
constexpr DWORD pong_deadline_ms = 120000;
// Each chat keeps at most its scrollback (500,000 characters); the mix fills
// two chats (the server tab and #hostile) and gives the 16 private chats a line
// or two each. The whole mix is about 30 MB as wide text: a process that holds
// only what it shows stays far below 400 MB, one that keeps what it has read
// and not yet shown (queued lines, boxes) grows with the mix.
constexpr double pagefile_ceiling_mb = 400;

TEST_F(Abuse, HostileMixStillGetsThePingAnsweredAndTheWindowAnswers) {
    ChatClient& client = fresh_client(L"hostile");
    e2e::HostileServer server(mix_seed, mix_lines, mix_budget_ms, pong_deadline_ms);
    ASSERT_TRUE(connect_and_start(client, {L"127.0.0.1", std::to_wstring(server.port()), L"Hostiletest", L"hostt"}));
    probe::ResponsivenessWatcher watcher(client.main_window);
    ASSERT_TRUE(wait_until([&] { return server.finished(); }, mix_budget_ms + pong_deadline_ms + 30000))
        << "the hostile server never ended its run";
    const probe::PeakMemory memory = probe::peak_memory();
    // One more probe after the end, answered while this thread runs its messages.
    const int probes = watcher.probes();
    EXPECT_TRUE(wait_until([&] { return watcher.probes() > probes + 1; }, 60000))
        << "the window took no probe after the mix";
    watcher.stop();
    const e2e::HostileRun& run = server.result();
    std::printf("hostile mix: %zu of %zu lines sent, %s, peak pagefile %.0f MB, %zu message boxes\n", run.lines_sent,
                run.lines, run.pong_seconds < 0 ? "no PONG" : "PONG answered", memory.pagefile_mb, boxes.count());

    EXPECT_EQ(run.failure, "") << run.lines_sent << " of " << run.lines << " lines sent";
    EXPECT_EQ(run.lines_sent, mix_lines);
    EXPECT_TRUE(watcher.last_answered()) << "the window did not answer WM_NULL after the mix";
    EXPECT_LT(memory.pagefile_mb, pagefile_ceiling_mb);
}

}  // namespace
