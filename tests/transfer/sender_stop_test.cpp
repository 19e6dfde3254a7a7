// The end of the program stops a sender in the middle of a file's content.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"
#include "support/loopback.h"
#include "support/test_client.h"
#include "transfer/file_sender.h"
#include "transfer/transfer_protocol.h"
#include "transfer_fixture.h"

// The peer took the headers and some chunks, answered four of them and went
// silent: the sender waits to send more (the peer reads no further), or waits
// for answers (the peer read all it may have in flight). The stop ends it at
// once either way; it says the file was not sent, and what went out is the
// start of the file and nothing after it.
TEST_F(TransferTest, StoppingASenderMidFileEndsItAsCut) {
    const std::wstring folder = make_temp_folder(L"midsend");
    const std::string plain = pattern_bytes(3000000, 9);
    write_file_bytes(folder + L"film.avi", plain);
    const std::string sent_form = encrypted(plain, right_password);
    for (const size_t read_by_peer : {size_t{4096}, size_t{transfer::send_window + 4 * transfer::chunk_size}}) {
        SCOPED_TRACE(read_by_peer);
        show_status_notice("", "");
        pump_messages();
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
        peer.send_bytes("OKOKOKOK");
        content += peer.receive_bytes(read_by_peer - content.size());
        ASSERT_EQ(content.size(), read_by_peer);

        std::atomic<bool> stopped{false};
        std::thread stopper([&] {
            stop_file_senders();
            stopped = true;
        });
        const bool ended = wait_until([&] { return stopped.load(); }, 10000);
        if (!ended) stopper.detach();  // a hang: report it rather than block the suite
        ASSERT_TRUE(ended) << "the stop waited for the silent peer";
        stopper.join();
        EXPECT_EQ(active_file_senders(), 0);
        EXPECT_TRUE(wait_until(
            [&] {
                return status_text(client, 1) ==
                       L"File 'film.avi.zof' not sent: the connection ended before the end of the file.";
            },
            5000));
        content += peer.receive_all();
        EXPECT_LT(content.size(), sent_form.size());
        EXPECT_TRUE(content == sent_form.substr(0, content.size()));
    }
}
