// A sender that breaks every rule it can: the receiver ends that connection,
// writes nothing outside Downloads\ (and nothing at all for a refused file),
// and goes on serving.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "transfer/file_receiver.h"
#include "transfer_fixture.h"

namespace {

// Folder parts, drives and shares, streams, devices (with extensions too),
// characters Windows refuses, control characters, trailing dots and spaces,
// empty names, wrong endings, an embedded zero.
const std::string bad_names[] = {
    "..\\evil.txt.zof", "../evil.txt.zof", "sub\\evil.txt.zof", "sub/evil.txt.zof", "C:\\evil.txt.zof",
    "C:evil.txt.zof", "\\\\server\\share\\evil.txt.zof", "evil.txt.zof:stream", "evil.txt:x.zof", "CON.zof",
    "nul.zof", "COM1.zof", "LPT1.txt.zof", "con .txt.zof", "evil\x01.txt.zof", "evil\t.zof", "evil. .zof",
    "evil..zof", "evil.zof.", "evil.zof ", ".zof", "evil.txt", "evil.zo", std::string("evil\0x.zof", 10),
    "evil<1>.zof", "evil?.zof", "evil*.zof", "evil|.zof", "evil\".zof",
};

// Not 1 to 9 decimal digits, and nothing else.
const std::string bad_sizes[] = {"abc", "-16", "+16", "12a", "1234567890", "16 ", " 16", "0x10", "1e3", "16\r\n"};

// The units a hostile sender gets answered before its bad one.
struct BadUnit {
    std::vector<std::string> answered;
    std::string bad;
};

std::vector<BadUnit> bad_units() {
    std::vector<BadUnit> units;
    for (const std::string& name : bad_names) units.push_back({{"File_send"}, name});
    for (const std::string& size : bad_sizes) units.push_back({{"File_send", "sized.bin.zof"}, size});
    return units;
}

}  // namespace

TEST_F(TransferTest, HostileSenderIsCutOffAndTheReceiverGoesOn) {
    for (const BadUnit& unit : bad_units()) {
        SCOPED_TRACE(testing::PrintToString(unit.bad));
        const unsigned long before = file_receiver_connections_served();
        SOCKET s = peer::connect_local(port);
        ASSERT_NE(s, INVALID_SOCKET);
        for (const std::string& answered : unit.answered) EXPECT_EQ(peer::send_unit(s, answered), "OK");
        send(s, unit.bad.data(), static_cast<int>(unit.bad.size()), 0);
        EXPECT_TRUE(peer::closed_by_other_side(s));
        closesocket(s);
        ASSERT_TRUE(wait_served(before));
        show_handed_over_notices();  // why it ended
        EXPECT_EQ(status_text(client, 1), unit.answered.size() == 1
                                              ? L"File refused: the name sent is not a plain file name ending in .zof."
                                              : L"File 'sized.bin.zof' refused: its size is not 1 to 9 decimal digits.");
    }
    {
        SCOPED_TRACE("cut in the middle of a chunk");
        const unsigned long before = file_receiver_connections_served();
        SOCKET s = peer::connect_local(port);
        ASSERT_NE(s, INVALID_SOCKET);
        EXPECT_EQ(peer::send_unit(s, "File_send"), "OK");
        EXPECT_EQ(peer::send_unit(s, "cut.bin.zof"), "OK");
        EXPECT_EQ(peer::send_unit(s, "2048"), "OK");
        EXPECT_EQ(peer::send_unit(s, std::string(1024, 'x')), "OK");
        send(s, std::string(500, 'y').data(), 500, 0);
        closesocket(s);
        ASSERT_TRUE(wait_served(before));
        wait_until([&] { return status_text(client, 1).find(L"not received") != std::wstring::npos; }, 2000);
        EXPECT_EQ(status_text(client, 1),
                  L"File 'cut.bin.zof' not received: the connection ended before the end of the file.");
    }
    {
        SCOPED_TRACE("1,000 connections opened and dropped at once");
        std::vector<SOCKET> storm;
        for (int i = 0; i < 1000; ++i) {
            SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            if (s == INVALID_SOCKET) continue;
            u_long non_blocking = 1;
            ioctlsocket(s, FIONBIO, &non_blocking);
            const sockaddr_in address = loopback_address(port);
            connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
            storm.push_back(s);
        }
        EXPECT_GT(storm.size(), 900u);
        for (SOCKET s : storm) closesocket(s);
    }

    // Still serving: a good file arrives (after the storm has drained from the backlog).
    const std::string plain = pattern_bytes(4000, 3);
    const std::string cipher = encrypted(plain, right_password);
    bool delivered = false;
    for (int attempt = 0; attempt < 20 && !delivered; ++attempt) {
        const unsigned long before = file_receiver_connections_served();
        delivered = peer::send_file(port, "good.bin.zof", cipher) && wait_served(before);
        if (!delivered) Sleep(200);
    }
    EXPECT_TRUE(delivered);
    EXPECT_EQ(read_file_bytes(downloads + L"good.bin"), plain);
    EXPECT_EQ(downloads_files(), std::vector<std::wstring>{L"good.bin"});

    // Nothing anywhere a hostile name pointed at.
    const std::wstring app_folder = client.app_folder;
    const std::wstring parent = app_folder.substr(0, app_folder.find_last_of(L'\\', app_folder.size() - 2) + 1);
    for (const std::wstring& path : {app_folder + L"evil.txt", parent + L"evil.txt", downloads + L"sub\\evil.txt",
                                     std::wstring(L"C:\\evil.txt"), app_folder + L"evil.txt.zof"})
        EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    std::vector<std::wstring> top = files_in(app_folder);
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::wstring>{L"Downloads", L"Settings"}));
}

// The protocol has no refusal: a receiver that cannot write ends the
// connection and says why.
TEST_F(TransferTest, WithoutADownloadsFolderTheConnectionEnds) {
    const std::wstring moved = std::wstring(client.app_folder) + L"Downloads-away";
    ASSERT_TRUE(MoveFileW(downloads.c_str(), moved.c_str()));
    const unsigned long before = file_receiver_connections_served();
    EXPECT_FALSE(peer::send_file(port, "lost.bin.zof", encrypted("content", right_password)));
    ASSERT_TRUE(wait_served(before));
    wait_until([&] { return status_text(client, 1).find(L"not received") != std::wstring::npos; }, 2000);
    EXPECT_EQ(status_text(client, 1),
              L"File 'lost.bin.zof' not received: it could not be saved in the Downloads folder.");
    EXPECT_TRUE(MoveFileW(moved.c_str(), downloads.c_str()));
    EXPECT_EQ(GetFileAttributesW((std::wstring(client.app_folder) + L"lost.bin").c_str()), INVALID_FILE_ATTRIBUTES);
}
