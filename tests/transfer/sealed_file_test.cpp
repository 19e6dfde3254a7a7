// Files between sealed correspondents: through the program's sender and its
// receiver, and altered streams that must leave Downloads\ empty.
#include <gtest/gtest.h>

#include <thread>

#include "app/text.h"
#include "chat/sealed_state.h"
#include "irc/chat_view.h"
#include "resources/resource_ids.h"
#include "support/net_test_support.h"
#include "transfer/file_receiver.h"
#include "transfer/file_sender.h"
#include "transfer/sealed_file_receive.h"
#include "transfer_fixture.h"

namespace {

const Bytes password{'s', 'h', 'a', 'r', 'e', 'd'};

// The client's session with "bob", made with bob's side held here.
class SealedFileTest : public TransferTest {
protected:
    SealedChats bob;
    int slot = 0;

    void SetUp() override {
        TransferTest::SetUp();
        SealedChats& mine = sealed_state(client).chats;
        std::vector<std::string> to_me{bob.offer("bob", "me", password, 0)}, to_bob;
        while (!to_me.empty() || !to_bob.empty()) {
            for (const std::string& line : to_me) {
                const SealedOutcome out = mine.receive("me", "bob", line, {{2, password}}, 400, 0);
                to_bob.insert(to_bob.end(), out.replies.begin(), out.replies.end());
            }
            to_me.clear();
            for (const std::string& line : to_bob) to_me = bob.receive("bob", "me", line, {}, 400, 0).replies;
            to_bob.clear();
        }
        ASSERT_EQ(mine.state("bob"), SealedChats::State::sealed);
        ready_to_send(L"");
        slot = find_chat(client, L"bob");
    }
    void TearDown() override {
        sealed_state(client).chats.forget_all();
        TransferTest::TearDown();
    }
    // Delivers `stream` as file `id`, announced in bob's session.
    void deliver(const FileId& id, const std::string& stream) {
        expect_sealed_file(client, view_chat(client, L"bob"), L"bob", file_id_text(id));
        const unsigned long before = file_receiver_connections_served();
        EXPECT_TRUE(peer::send_file(port, sealed_wire_name(id), stream));
        ASSERT_TRUE(wait_served(before));
    }
    // `plain` sealed by bob for file `key_id`.
    std::string sealed_stream(const FileId& key_id, const std::string& name, const std::string& plain) {
        FileSealer sealer(*bob.file_key_for("me", key_id));
        Bytes stream;
        EXPECT_TRUE(sealer.start(name, plain.size(), stream));
        for (size_t at = 0; at <= plain.size(); at += sealed_file::chunk_size) {
            const size_t step = std::min(sealed_file::chunk_size, plain.size() - at);
            sealer.seal(reinterpret_cast<const uint8_t*>(plain.data()) + at, step, step < sealed_file::chunk_size,
                        stream);
        }
        return std::string(stream.begin(), stream.end());
    }
    bool chat_says(const std::wstring& text) {
        return wait_until([&] { return net_test::contains(net_test::chat_text(client, slot), text); }, 10000);
    }
};

}  // namespace

TEST_F(SealedFileTest, ASealedFileArrivesWholeUnderItsRealName) {
    const std::wstring folder = make_temp_folder(L"sealsend");
    const std::wstring name = L"Plan \u00e9t\u00e9 (draft).txt";
    const std::string plain = pattern_bytes(3 * 65536 + 123, 4);
    ASSERT_TRUE(write_file_bytes(folder + name, plain));
    peer::Receiver wire;
    set_file_sender_port(wire.port());
    ready_to_send(folder + name);
    click(IDC_SEND_FILE);
    ASSERT_TRUE(wire.wait());
    // A random name on the wire; the real one only inside.
    FileId id{};
    ASSERT_TRUE(is_sealed_wire_name(wire.name, id)) << wire.name;
    EXPECT_EQ(wire.content.find("Plan"), std::string::npos);
    EXPECT_EQ(wire.size_text, std::to_string(sealed_file_size(plain.size())));
    EXPECT_TRUE(write_file_bytes(downloads + name, "already here"));
    deliver(id, wire.content);
    EXPECT_TRUE(chat_says(L"[SEALED] File '" + name + L"' received whole"));
    EXPECT_EQ(read_file_bytes(downloads + name), "already here");
    EXPECT_TRUE(read_file_bytes(downloads + L"Plan \u00e9t\u00e9 (draft) (2).txt") == plain);
    EXPECT_EQ(downloads_files().size(), 2u);
}

TEST_F(SealedFileTest, AFileThatFailsItsCheckLeavesNothing) {
    const std::string plain = pattern_bytes(2 * 65536 + 900, 6);
    struct Case {
        const char* what;
        bool other_key;
        size_t flip_at;  // 0: none
        size_t cut;      // bytes dropped from the end
    };
    const size_t second_chunk = sealed_file::header_size + sealed_file::about_size + 2 * sealed_file::overhead +
                                sealed_file::chunk_size + 40;
    const Case cases[] = {{"flipped chunk", false, second_chunk, 0},
                          {"no final chunk", false, 0, 900 + sealed_file::overhead},
                          {"wrong key", true, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FileId id = random_file_id();
        FileId other = id;
        other[0] ^= 1;
        std::string stream = sealed_stream(c.other_key ? other : id, "secret.txt", plain);
        if (c.flip_at) stream[c.flip_at] ^= 0x20;
        stream.resize(stream.size() - c.cut);
        deliver(id, stream);
        EXPECT_EQ(downloads_files(), std::vector<std::wstring>{});
        EXPECT_TRUE(chat_says(L"[REJECTED] - a sealed file failed its check")) << status_text(client, 1) << net_test::chat_text(client, slot);
        clear_chat(client, slot);
    }
}

TEST_F(SealedFileTest, AFileThatComesBeforeItsAnnouncementWaitsForIt) {
    const std::string plain = pattern_bytes(sealed_file::chunk_size + 5, 8);
    const FileId id = random_file_id();
    const std::string stream = sealed_stream(id, "late.txt", plain);
    const unsigned long before = file_receiver_connections_served();
    std::thread sender([&] { EXPECT_TRUE(peer::send_file(port, sealed_wire_name(id), stream)); });
    // Announced only once the whole stream waits in Downloads\ under a scratch name.
    EXPECT_TRUE(wait_until([&] {
        for (const std::wstring& name : downloads_files())
            if (read_file_bytes(downloads + name).size() == stream.size()) return true;
        return false;
    }));
    expect_sealed_file(client, view_chat(client, L"bob"), L"bob", file_id_text(id));
    sender.join();
    ASSERT_TRUE(wait_served(before));
    EXPECT_TRUE(read_file_bytes(downloads + L"late.txt") == plain);
}
