// Starting and stopping the receiver: from the preferences, at start-up, and
// in the middle of a transfer.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "chat/chat_tabs.h"
#include "mainwindow/main_window.h"
#include "settings/settings_file.h"
#include "transfer/file_receiver.h"
#include "support/test_client.h"
#include "support/tone_recorder.h"
#include "transfer_fixture.h"

namespace {

void write_preferences(ChatClient& client, const char* allow) {
    EXPECT_TRUE(write_file_bytes(std::wstring(client.app_folder) + L"Settings\\Settings.ini",
                                 std::string("[preferences]\r\nallow_receive_files=") + allow + "\r\n"));
}

bool accepts(unsigned short port) {
    SOCKET s = peer::connect_local(port);
    if (s == INVALID_SOCKET) return false;
    // A listener answers a marker; anything else would leave it unanswered.
    const bool answered = peer::send_unit(s, "Hello") == "OK";
    closesocket(s);
    return answered;
}

// The receiver's end of the test's connection `ours`, found among the
// process's handles by its addresses; INVALID_SOCKET when there is none.
SOCKET far_end_of(SOCKET ours) {
    sockaddr_in mine{}, theirs{};
    int length = sizeof mine;
    if (getsockname(ours, reinterpret_cast<sockaddr*>(&mine), &length) != 0) return INVALID_SOCKET;
    length = sizeof theirs;
    if (getpeername(ours, reinterpret_cast<sockaddr*>(&theirs), &length) != 0) return INVALID_SOCKET;
    for (UINT_PTR value = 4; value < 0x20000; value += 4) {
        const SOCKET candidate = static_cast<SOCKET>(value);
        sockaddr_in local{}, remote{};
        length = sizeof local;
        if (candidate == ours || getsockname(candidate, reinterpret_cast<sockaddr*>(&local), &length) != 0) continue;
        length = sizeof remote;
        if (local.sin_port == theirs.sin_port &&
            getpeername(candidate, reinterpret_cast<sockaddr*>(&remote), &length) == 0 &&
            remote.sin_port == mine.sin_port)
            return candidate;
    }
    return INVALID_SOCKET;
}

bool is_socket_on_port(SOCKET socket, unsigned short port) {
    sockaddr_in local{};
    int length = sizeof local;
    return getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) == 0 && ntohs(local.sin_port) == port;
}

}  // namespace

TEST_F(TransferTest, PreferencesSwitchTheReceiverOffAndOn) {
    EXPECT_TRUE(accepts(port));
    write_preferences(client, "false");
    load_settings(client, SettingsGroup::preferences);
    EXPECT_FALSE(file_receiver_running());
    EXPECT_EQ(status_text(client, 1), L"NOT allowed to receive files.");
    EXPECT_FALSE(accepts(port));

    write_preferences(client, "true");
    load_settings(client, SettingsGroup::preferences);
    ASSERT_TRUE(wait_until([] { return file_receiver_listening(); }));
    EXPECT_TRUE(wait_until([&] { return status_text(client, 1) == L"Allowed to receive files."; }));
    EXPECT_TRUE(accepts(file_receiver_bound_port()));
    DeleteFileW((std::wstring(client.app_folder) + L"Settings\\Settings.ini").c_str());
}

TEST_F(TransferTest, AtStartUpTheReceiverOpensWithoutANotice) {
    // Stopping joins the receiver's threads: what they handed over is queued.
    stop_file_receiver(client, true);
    show_handed_over_notices();
    // Notices from other threads coalesce into the latest on their way to the
    // window, but each beeps on the thread that gives it: the beeps count them.
    ToneRecorder speaker;
    speaker.start();
    client.enable_sounds_app = true;
    startup_in_progress = true;
    switch_file_receiver(client, true);
    startup_in_progress = false;
    ASSERT_TRUE(wait_until([] { return file_receiver_listening(); }));
    EXPECT_TRUE(accepts(file_receiver_bound_port()));  // its connection's notice comes after the opening's
    stop_file_receiver(client, true);
    show_handed_over_notices();
    client.enable_sounds_app = false;
    EXPECT_EQ(speaker.tones().size(), 1u) << "the connection's notice beeps, and nothing else";
    EXPECT_EQ(status_text(client, 1), L"Client user connected to send file.");
    speaker.stop();
}

TEST_F(TransferTest, StopInTheMiddleOfAFileLeavesNothing) {
    EXPECT_TRUE(write_file_bytes(downloads + L"movie.mkv", "the user's own film"));
    SOCKET s = peer::connect_local(port);
    ASSERT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(peer::send_unit(s, "File_send"), "OK");
    EXPECT_EQ(peer::send_unit(s, "movie.mkv.zof"), "OK");
    EXPECT_EQ(peer::send_unit(s, "100000"), "OK");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(peer::send_unit(s, std::string(1024, 'z')), "OK");
    // The receiver waits for the next chunk; the stop wakes it and joins it.
    stop_file_receiver(client);
    EXPECT_FALSE(file_receiver_running());
    EXPECT_TRUE(peer::closed_by_other_side(s));
    closesocket(s);
    show_handed_over_notices();
    EXPECT_EQ(status_text(client, 1), L"NOT allowed to receive files.");
    EXPECT_EQ(downloads_files(), std::vector<std::wstring>{L"movie.mkv"});
    EXPECT_EQ(read_file_bytes(downloads + L"movie.mkv"), "the user's own film");
}

// Only the thread serving a connection closes its socket: a stopper that
// closed it while the thread was busy elsewhere would leave the thread a
// handle that the system may already have given to another connection.
TEST_F(TransferTest, StopLeavesTheServedSocketToItsThread) {
    SOCKET s = peer::connect_local(port);
    ASSERT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(peer::send_unit(s, "File_send"), "OK");
    EXPECT_EQ(peer::send_unit(s, "held.bin.zof"), "OK");
    EXPECT_EQ(peer::send_unit(s, "16"), "OK");
    const SOCKET served = far_end_of(s);
    ASSERT_NE(served, INVALID_SOCKET);
    {
        // The serving thread waits for the password table before it decrypts.
        std::unique_lock<std::mutex> held(client.password_lock);
        EXPECT_EQ(peer::send_unit(s, encrypted("", right_password)), "OK");
        std::thread stopper([&] { stop_file_receiver(client); });
        // The stop is under way (it shut the connection down), and cannot end yet.
        EXPECT_TRUE(peer::closed_by_other_side(s));
        EXPECT_TRUE(is_socket_on_port(served, port));
        held.unlock();
        stopper.join();
    }
    EXPECT_FALSE(file_receiver_running());
    closesocket(s);
    EXPECT_TRUE(downloads_files().empty());
}
