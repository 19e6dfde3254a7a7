// Peers that hold the receiver: one address that trickles shuts nobody else out, one
// too slow or too long is cut and leaves nothing behind, and the files being
// received may not claim more than their share of the disk.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "transfer/file_receiver.h"
#include "app/text.h"
#include "transfer/receiver_limits.h"
#include "transfer/transfer_texts.h"
#include "transfer_fixture.h"

namespace {

constexpr unsigned long long large_size = 100000000;  // announced, never sent

}  // namespace

TEST_F(TransferTest, TricklersHoldOnlyTheirOwnConnections) {
    const std::string plain = pattern_bytes(30000, 4);
    const std::string cipher = encrypted(plain, right_password);
    // Two places for 127.0.0.1, a third is closed at once; another address gets through.
    peer::Trickler slow(port, "slow.bin.zof", large_size, 0, 1000), twice(port, "slow.bin.zof", large_size, 0, 1000);
    ASSERT_TRUE(slow.announced() && twice.announced());
    SOCKET third = peer::connect_local(port);
    EXPECT_TRUE(peer::closed_by_other_side(third));
    closesocket(third);
    const std::wstring address_full = format_text(transfer_text::refused_address, L"127.0.0.1", 2);
    EXPECT_TRUE(wait_until([&] { return status_text(client, 1) == address_full; }));
    unsigned long before = file_receiver_connections_served();
    EXPECT_TRUE(peer::send_file(port, "good.bin.zof", cipher, {}, "127.0.0.2"));
    ASSERT_TRUE(wait_served(before));
    EXPECT_EQ(read_file_bytes(downloads + L"good.bin"), plain);

    // Four tricklers fill every place: a fifth connection is closed at once.
    std::vector<std::unique_ptr<peer::Trickler>> more;
    for (int i = 0; i < 2; ++i) {
        more.push_back(std::make_unique<peer::Trickler>(port, "more.bin.zof", large_size, 0, 1000, "127.0.0.2"));
        ASSERT_TRUE(more.back()->announced()) << i;
    }
    SOCKET fifth = peer::connect_local(port, "127.0.0.3");
    ASSERT_NE(fifth, INVALID_SOCKET);
    EXPECT_TRUE(peer::closed_by_other_side(fifth));
    closesocket(fifth);
    EXPECT_TRUE(wait_until([&] { return status_text(client, 1) == format_text(transfer_text::refused_busy, 4); }));

    // One leaves, and its place serves the next sender.
    more.pop_back();
    bool delivered = false;
    for (int attempt = 0; attempt < 20 && !delivered; ++attempt) {
        before = file_receiver_connections_served();
        delivered = peer::send_file(port, "again.bin.zof", cipher, {}, "127.0.0.3") && wait_served(before);
        if (!delivered) Sleep(100);
    }
    EXPECT_TRUE(delivered);
    EXPECT_EQ(read_file_bytes(downloads + L"again.bin"), plain);
}

TEST_F(TransferTest, SlowOrEndlessSenderIsCutAndItsScratchFileRemoved) {
    ReceiverLimits limits;
    limits.rate_window_ms = 500;
    limits.deadline_rate = 0;
    // Each case sets only its own rule, so that no other cuts the peer first.
    struct Case {
        const char* what;
        size_t step;
        int interval_ms;
        unsigned min_rate;
        unsigned long long deadline_ms;
        const wchar_t* notice;
    };
    const Case cases[] = {
        {"10 bytes a second", 1, 100, 2000, 0, L"File 'held.bin.zof' not received: the sender sent too slowly."},
        // 100 MB at 20 KB a second take over an hour: judged at the first window.
        {"20 KB a second, too slow for a 10-minute deadline", 1024, 50, 0, 600000,
         L"File 'held.bin.zof' not received: the transfer took longer than allowed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        limits.min_rate = c.min_rate;
        limits.deadline_ms = c.deadline_ms;
        set_receiver_limits(limits);
        const unsigned long before = file_receiver_connections_served();
        const ULONGLONG start = GetTickCount64();
        peer::Trickler trickler(port, "held.bin.zof", large_size, c.step, c.interval_ms);
        ASSERT_TRUE(trickler.announced());
        EXPECT_EQ(downloads_files().size(), 1u);  // the scratch file the content goes into
        EXPECT_TRUE(trickler.wait_cut(60000));
        EXPECT_GE(GetTickCount64() - start, limits.rate_window_ms);
        ASSERT_TRUE(wait_served(before));
        show_handed_over_notices();
        EXPECT_EQ(status_text(client, 1), c.notice);
        EXPECT_TRUE(downloads_files().empty());
    }
}

// One address's files may claim half the limit at most.
TEST_F(TransferTest, FilesBeingReceivedStayWithinTheScratchLimit) {
    ReceiverLimits limits;
    limits.scratch_bytes = 100000;
    set_receiver_limits(limits);
    peer::Trickler first(port, "first.bin.zof", 50000, 0, 1000);
    EXPECT_TRUE(first.announced());
    {
        const unsigned long before = file_receiver_connections_served();
        peer::Trickler second(port, "second.bin.zof", 20000, 1, 1000);
        EXPECT_FALSE(second.announced());  // its size is not answered: the connection ends
        ASSERT_TRUE(wait_served(before));
        EXPECT_TRUE(wait_until(
            [&] {
                return status_text(client, 1) ==
                       L"File 'second.bin.zof' refused: there is no room for it in the Downloads folder now.";
            }));
    }
    // What still fits beside the first is taken from another address.
    const std::string plain = pattern_bytes(30000, 6);
    const unsigned long before = file_receiver_connections_served();
    EXPECT_TRUE(peer::send_file(port, "fits.bin.zof", encrypted(plain, right_password), {}, "127.0.0.2"));
    ASSERT_TRUE(wait_served(before));
    EXPECT_EQ(read_file_bytes(downloads + L"fits.bin"), plain);
}
