// Quillmere against a peer that follows the protocol's byte table strictly,
// in both directions, and against itself.
#include <gtest/gtest.h>

#include <future>

#include "app/text.h"
#include "crypto/file_crypto.h"
#include "resources/resource_ids.h"
#include "support/loopback.h"
#include "support/test_client.h"
#include "support/zone_marks.h"
#include "transfer/file_receiver.h"
#include "transfer/file_sender.h"
#include "transfer/transfer_protocol.h"
#include "transfer_fixture.h"

namespace {

struct SizeCase {
    size_t plain_size;
    size_t encrypted_size;
    int chunks;
};
// Empty (one 16-byte chunk), exactly one full chunk, a full chunk and 16
// bytes, and a file of many chunks.
const SizeCase size_cases[] = {{0, 16, 1}, {1008, 1024, 1}, {1024, 1040, 2}, {300000, 300016, 293}};

std::wstring success_text(const std::wstring& name) {
    return format_text(L"File '%s' received. Successful decryption file.", name);
}

}  // namespace

TEST_F(TransferTest, ReceiverTakesFilesFromLockStepPeer) {
    int serial = 0;
    for (const SizeCase& c : size_cases) {
        SCOPED_TRACE(c.plain_size);
        const std::string plain = pattern_bytes(c.plain_size, ++serial);
        const std::string cipher = encrypted(plain, right_password);
        ASSERT_EQ(cipher.size(), c.encrypted_size);
        const std::wstring name = format_text(L"file %d.bin", serial);
        const unsigned long before = file_receiver_connections_served();
        // An unknown marker first: answered and otherwise ignored.
        EXPECT_TRUE(peer::send_file(port, narrow_text((name + L".zof").c_str(), CP_THREAD_ACP), cipher,
                                    serial == 1 ? std::vector<std::string>{"Hello_there"} : std::vector<std::string>{}));
        ASSERT_TRUE(wait_served(before));
        EXPECT_EQ(read_file_bytes(downloads + name), plain);
        wait_until([&] { return status_text(client, 1) == success_text(name + L".zof"); }, 2000);
        EXPECT_EQ(status_text(client, 0), L"File Trans.");
        EXPECT_EQ(status_text(client, 1), success_text(name + L".zof"));
    }
    // Only the decrypted files: no .zof, no scratch file.
    EXPECT_EQ(downloads_files().size(), std::size(size_cases));
}

// Nothing proves who sends, and a wrong password passes the padding check
// about once in 256 tries: a received file never replaces one, it takes the
// next free name, and the notice says which.
TEST_F(TransferTest, ExistingFileIsNeverReplaced) {
    EXPECT_TRUE(write_file_bytes(downloads + L"report.txt", "the user's own report"));
    const std::string plain = pattern_bytes(5000);
    unsigned long before = file_receiver_connections_served();
    EXPECT_TRUE(peer::send_file(port, "report.txt.zof", encrypted(plain, "Nobody-has-this")));
    ASSERT_TRUE(wait_served(before));
    EXPECT_EQ(read_file_bytes(downloads + L"report.txt"), "the user's own report");
    wait_until([&] { return status_text(client, 1).find(L"Wrong password") != std::wstring::npos; }, 2000);
    EXPECT_EQ(status_text(client, 1), L"File 'report.txt.zof' received. Decryption file error. Wrong password.");

    for (const wchar_t* saved : {L"report (2).txt", L"report (3).txt"}) {
        SCOPED_TRACE(saved);
        before = file_receiver_connections_served();
        EXPECT_TRUE(peer::send_file(port, "report.txt.zof", encrypted(plain, right_password)));
        ASSERT_TRUE(wait_served(before));
        EXPECT_EQ(read_file_bytes(downloads + saved), plain);
        const std::wstring notice = format_text(
            L"File 'report.txt.zof' received. Successful decryption file. Saved as '%s' (the name was taken).", saved);
        EXPECT_TRUE(wait_until([&] { return status_text(client, 1) == notice; }, 2000)) << status_text(client, 1);
    }
    EXPECT_EQ(read_file_bytes(downloads + L"report.txt"), "the user's own report");
    EXPECT_EQ(downloads_files().size(), 3u);
}

// A received file carries the Internet mark; a hidden soft hyphen in its name becomes '_'.
TEST_F(TransferTest, ReceivedFilesAreMarkedAndNamedAsTheyRead) {
    ZoneMarkRecorder recorder;
    const std::string plain = pattern_bytes(3000);
    const unsigned long before = file_receiver_connections_served();
    EXPECT_TRUE(peer::send_file(port, "pay\xADload.txt.zof", encrypted(plain, right_password)));
    ASSERT_TRUE(wait_served(before));
    EXPECT_EQ(read_file_bytes(downloads + L"pay_load.txt"), plain);
    ASSERT_EQ(recorder.marks().size(), 1u);
    EXPECT_EQ(recorder.marks()[0].first, downloads + L"pay_load.txt");
    EXPECT_EQ(recorder.marks()[0].second, "[ZoneTransfer]\r\nZoneId=3\r\n");
}

TEST_F(TransferTest, SenderDeliversExactBytesToLockStepPeer) {
    const std::wstring folder = make_temp_folder(L"send");
    int serial = 0;
    for (const SizeCase& c : size_cases) {
        SCOPED_TRACE(c.plain_size);
        const std::wstring path = folder + format_text(L"photo %d.jpg", ++serial);
        const std::string plain = pattern_bytes(c.plain_size, serial);
        EXPECT_TRUE(write_file_bytes(path, plain));
        peer::Receiver receiver;
        set_file_sender_port(receiver.port());
        ready_to_send(path);
        click(IDC_SEND_FILE);
        ASSERT_TRUE(receiver.wait());
        EXPECT_EQ(receiver.name, narrow_text(format_text(L"photo %d.jpg.zof", serial).c_str(), CP_THREAD_ACP));
        EXPECT_EQ(receiver.size_text, std::to_string(c.encrypted_size));
        EXPECT_EQ(receiver.chunks, c.chunks);
        EXPECT_TRUE(receiver.content == encrypted(plain, right_password));
        ASSERT_TRUE(wait_until([] { return active_file_senders() == 0; }));
        EXPECT_TRUE(wait_until([&] { return status_text(client, 1) == L"File successfully sent."; }, 5000));
    }
    // Encrypted as it was sent: nothing written beside the chosen files.
    EXPECT_EQ(files_in(folder).size(), std::size(size_cases));
}

TEST_F(TransferTest, QuillmereToQuillmereWindowedAndLockStep) {
    const std::wstring folder = make_temp_folder(L"self");
    const std::string plain = pattern_bytes(3 * 1024 * 1024 + 5, 9);
    EXPECT_TRUE(write_file_bytes(folder + L"archive.7z", plain));
    set_file_sender_port(port);
    for (unsigned window : {256u, 1u}) {
        SCOPED_TRACE(window);
        DeleteFileW((downloads + L"archive.7z").c_str());
        set_file_sender_window_chunks(window);
        const unsigned long before = file_receiver_connections_served();
        ready_to_send(folder + L"archive.7z");
        click(IDC_SEND_FILE);
        ASSERT_TRUE(wait_served(before));
        EXPECT_TRUE(read_file_bytes(downloads + L"archive.7z") == plain);
        EXPECT_EQ(downloads_files(), std::vector<std::wstring>{L"archive.7z"});
    }
}

// The end of the program stops a sender whose peer never answers at once,
// rather than after its two-minute limit.
TEST_F(TransferTest, StoppingSendersDoesNotWaitForASilentPeer) {
    const std::wstring folder = make_temp_folder(L"silent");
    EXPECT_TRUE(write_file_bytes(folder + L"letter.txt", "dear peer"));
    LoopbackServer silent;
    set_file_sender_port(silent.port());
    ready_to_send(folder + L"letter.txt");
    click(IDC_SEND_FILE);
    ASSERT_TRUE(silent.accept_client());
    EXPECT_EQ(silent.receive_bytes(9), "File_send");  // and now it waits for the answer
    auto stopping = std::async(std::launch::async, stop_file_senders);
    EXPECT_EQ(stopping.wait_for(std::chrono::milliseconds(transfer::idle_timeout_ms / 2)), std::future_status::ready);
    EXPECT_EQ(active_file_senders(), 0);
}

// A receiver that answers too much, then one that hangs up in the middle: the
// sender neither spins nor hangs, and says how it ended.
TEST_F(TransferTest, SenderSurvivesAReceiverThatMisbehaves) {
    const std::wstring folder = make_temp_folder(L"misbehave");
    const std::string plain = pattern_bytes(300000, 5);
    EXPECT_TRUE(write_file_bytes(folder + L"clip.mp4", plain));
    for (bool hang_up : {false, true}) {
        SCOPED_TRACE(hang_up ? "hangs up" : "answers too much");
        LoopbackServer server;
        set_file_sender_port(server.port());
        ready_to_send(folder + L"clip.mp4");
        click(IDC_SEND_FILE);
        ASSERT_TRUE(server.accept_client());
        for (const std::string unit : {"File_send", "clip.mp4.zof", "300016"}) {
            EXPECT_EQ(server.receive_bytes(unit.size()), unit);
            server.send_bytes("OK");
        }
        if (hang_up) {
            EXPECT_EQ(server.receive_bytes(2048).size(), 2048u);
            server.close_client();
        } else {
            std::string answers;
            for (int i = 0; i < 1000; ++i) answers += "OK";
            server.send_bytes(answers);
            EXPECT_TRUE(server.receive_all() == encrypted(plain, right_password) + "End_connection");
        }
        ASSERT_TRUE(wait_until([] { return active_file_senders() == 0; }));
        EXPECT_TRUE(wait_until(
            [&] {
                return status_text(client, 1) ==
                       (hang_up ? L"File 'clip.mp4.zof' not sent: the connection ended before the end of the file."
                                : L"File successfully sent.");
            },
            5000));
    }
}
