// Peers that hold the receiver: one address that trickles shuts nobody else
// out, one too slow or too late is cut and leaves nothing behind, and the
// files being received may not claim more than their share of the disk.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "transfer/file_receiver.h"
#include "transfer/receiver_limits.h"
#include "transfer_fixture.h"

namespace {

constexpr unsigned long long large_size = 100000000;  // announced, never sent

// Announced peers that then send nothing hold their places until the test
// lets go: no rate window, no deadline.
ReceiverLimits limits_that_hold() {
    ReceiverLimits limits;
    limits.min_rate = 0;
    limits.rate_window_ms = 0;
    limits.deadline_ms = 0;
    limits.deadline_rate = 0;
    return limits;
}

}  // namespace

TEST_F(TransferTest, OneAddressHoldsTwoPlacesAndOtherAddressesGetThrough) {
    set_receiver_limits(limits_that_hold());
    const std::string plain = pattern_bytes(30000, 4);
    const std::string cipher = encrypted(plain, right_password);
    const wchar_t* const address_full =
        L"A sender at 127.0.0.1 was turned away: 2 transfers from there are in progress already.";
    const wchar_t* const all_full = L"A sender was turned away: 4 transfers are in progress already.";
    struct Case {
        const char* from;
        const wchar_t* refusal;  // nullptr: the peer is served and holds its place
    };
    const Case holders[] = {{"127.0.0.1", nullptr}, {"127.0.0.1", nullptr}, {"127.0.0.1", address_full},
                            {"127.0.0.1", address_full}, {"127.0.0.2", nullptr}};
    const Case after[] = {{"127.0.0.2", nullptr}, {"127.0.0.3", all_full}};
    std::vector<std::unique_ptr<peer::Trickler>> held;
    const auto knock = [&](const Case& c) {
        SCOPED_TRACE(c.from);
        if (!c.refusal) {
            held.push_back(std::make_unique<peer::Trickler>(port, "held.bin.zof", large_size, 0, 1000, c.from));
            EXPECT_TRUE(held.back()->announced());
            return;
        }
        SOCKET refused = peer::connect_local(port, c.from);
        ASSERT_NE(refused, INVALID_SOCKET);
        EXPECT_TRUE(peer::closed_by_other_side(refused));
        closesocket(refused);
        EXPECT_TRUE(wait_until([&] { return status_text(client, 1) == c.refusal; })) << status_text(client, 1);
    };
    for (const Case& c : holders) knock(c);

    // While 127.0.0.1 holds what it may, a sender from elsewhere gets through.
    unsigned long before = file_receiver_connections_served();
    EXPECT_TRUE(peer::send_file(port, "good.bin.zof", cipher, {}, "127.0.0.3"));
    ASSERT_TRUE(wait_served(before));
    EXPECT_EQ(read_file_bytes(downloads + L"good.bin"), plain);

    // Every place taken: a third address is turned away too.
    for (const Case& c : after) knock(c);

    // One leaves, and its place serves the next sender.
    held.pop_back();
    bool delivered = false;
    for (int attempt = 0; attempt < 20 && !delivered; ++attempt) {
        before = file_receiver_connections_served();
        delivered = peer::send_file(port, "again.bin.zof", cipher, {}, "127.0.0.3") && wait_served(before);
        if (!delivered) Sleep(100);
    }
    EXPECT_TRUE(delivered);
    EXPECT_EQ(read_file_bytes(downloads + L"again.bin"), plain);
}

// Each case sets only the rule it is about, so no other can cut the peer first.
TEST_F(TransferTest, SlowOrLateSenderIsCutAndItsScratchFileRemoved) {
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
        // 100 MB at 20 KB a second take well over an hour: judged at the
        // first window, long before the deadline itself.
        {"20 KB a second, too slow for the deadline", 1024, 50, 0, 600 * 1000ull,
         L"File 'held.bin.zof' not received: the transfer took longer than allowed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReceiverLimits limits;
        limits.min_rate = c.min_rate;
        limits.rate_window_ms = 500;
        limits.deadline_ms = c.deadline_ms;
        limits.deadline_rate = 0;
        set_receiver_limits(limits);
        const unsigned long before = file_receiver_connections_served();
        const ULONGLONG start = GetTickCount64();
        peer::Trickler trickler(port, "held.bin.zof", large_size, c.step, c.interval_ms);
        ASSERT_TRUE(trickler.announced());
        EXPECT_EQ(downloads_files().size(), 1u);  // the scratch file the content goes into
        EXPECT_TRUE(trickler.wait_cut(60000));
        EXPECT_GE(GetTickCount64() - start, limits.rate_window_ms);  // judged over a whole window
        ASSERT_TRUE(wait_served(before));
        show_handed_over_notices();
        EXPECT_EQ(status_text(client, 1), c.notice);
        EXPECT_TRUE(downloads_files().empty());
    }
}

TEST_F(TransferTest, FilesBeingReceivedStayWithinTheirShareOfTheScratchLimit) {
    ReceiverLimits limits = limits_that_hold();
    limits.scratch_bytes = 100000;
    set_receiver_limits(limits);
    struct Case {
        const char* what;
        const char* from;
        unsigned long long size;
        bool taken;
    };
    const Case cases[] = {
        {"more than half for one address", "127.0.0.1", 60000, false},
        {"within the address's half", "127.0.0.1", 40000, true},
        {"past the address's half", "127.0.0.1", 20000, false},
        {"another address's half", "127.0.0.2", 50000, true},
        {"past the whole limit", "127.0.0.3", 20000, false},
    };
    std::vector<std::unique_ptr<peer::Trickler>> held;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const unsigned long before = file_receiver_connections_served();
        held.push_back(std::make_unique<peer::Trickler>(port, "room.bin.zof", c.size, 0, 1000, c.from));
        // A refused size is not answered: the connection ends.
        EXPECT_EQ(held.back()->announced(), c.taken);
        if (c.taken) continue;
        ASSERT_TRUE(wait_served(before));
        show_handed_over_notices();
        EXPECT_EQ(status_text(client, 1),
                  L"File 'room.bin.zof' refused: there is no room for it in the Downloads folder now.");
    }
    // What still fits beside the others is taken.
    const std::string plain = pattern_bytes(9000, 6);
    const unsigned long before = file_receiver_connections_served();
    EXPECT_TRUE(peer::send_file(port, "fits.bin.zof", encrypted(plain, right_password), {}, "127.0.0.3"));
    ASSERT_TRUE(wait_served(before));
    EXPECT_EQ(read_file_bytes(downloads + L"fits.bin"), plain);
}
