// The end of the program stops a sender in the middle of a file's content.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "resources/resource_ids.h"
#include "support/loopback.h"
#include "support/test_client.h"
#include "transfer/file_sender.h"
#include "transfer_fixture.h"

// The peer took the headers and the first chunks, then stops answering: the
// stop ends the sender at once, which says the file was not sent, closes the
// connection and never sends the end marker.
TEST_F(TransferTest, StoppingASenderMidFileEndsItAsCut) {
    const std::wstring folder = make_temp_folder(L"midsend");
    const std::string plain = pattern_bytes(3000000, 9);
    write_file(folder + L"film.avi", plain);
    LoopbackServer peer;
    set_file_sender_port(peer.port());
    ready_to_send(folder + L"film.avi");
    click(IDC_SEND_FILE);
    ASSERT_TRUE(peer.accept_client());
    for (const std::string unit : {"File_send", "film.avi.zof", "3000016"}) {
        ASSERT_EQ(peer.receive_bytes(unit.size()), unit);
        peer.send_bytes("OK");
    }
    std::string content = peer.receive_bytes(4096);
    ASSERT_EQ(content.size(), 4096u);
    peer.send_bytes("OKOKOKOK");  // four chunks answered, the rest left waiting

    std::atomic<bool> stopped{false};
    std::thread stopper([&] {
        stop_file_senders();
        stopped = true;
    });
    const bool ended = pump_until([&] { return stopped.load(); }, 10000);
    if (!ended) stopper.detach();  // a hang: report it rather than block the suite
    ASSERT_TRUE(ended) << "the stop waited for the silent peer";
    stopper.join();
    EXPECT_EQ(active_file_senders(), 0);
    EXPECT_TRUE(pump_until(
        [&] { return status_part(client, 1) == L"File 'film.avi.zof' not sent: the connection ended before the end "
                                                L"of the file."; },
        5000));
    content += peer.receive_all();
    EXPECT_LT(content.size(), 3000016u);
    EXPECT_TRUE(content == encrypted(plain, right_password).substr(0, content.size()));
}
