#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "crypto/sealed/sealed_chats.h"
#include "crypto/sealed/sealed_wire.h"

namespace {

using Kind = SealedNotice::Kind;
Bytes pw(const char* s) { return Bytes(s, s + strlen(s)); }
constexpr size_t room = 400;

struct Pair {
    SealedChats alice, bob;
    std::vector<SealedNotice> alice_saw, bob_saw;

    // Alice offers under `password`; Bob answers with his stored ones; the
    // lines go back and forth until neither has more to say.
    void handshake(const Bytes& password, const std::vector<CandidatePassword>& bob_holds, int64_t now = 0) {
        std::vector<std::string> to_bob{alice.offer("Alice", "Bob", password, now)}, to_alice;
        while (!to_bob.empty() || !to_alice.empty()) {
            for (const std::string& line : to_bob) take(bob.receive("Bob", "alice", line, bob_holds, room, now), bob_saw, to_alice);
            to_bob.clear();
            for (const std::string& line : to_alice) take(alice.receive("Alice", "BOB", line, {}, room, now), alice_saw, to_bob);
            to_alice.clear();
        }
    }
    static void take(const SealedOutcome& outcome, std::vector<SealedNotice>& saw, std::vector<std::string>& replies) {
        EXPECT_TRUE(outcome.handled);
        saw.insert(saw.end(), outcome.notices.begin(), outcome.notices.end());
        replies.insert(replies.end(), outcome.replies.begin(), outcome.replies.end());
    }
};

std::vector<CandidatePassword> many_passwords(int count, int matching_slot) {
    std::vector<CandidatePassword> stored;
    for (int slot = 1; slot <= count; ++slot)
        stored.push_back({slot, slot == matching_slot ? pw("shared secret") : pw(("other " + std::to_string(slot)).c_str())});
    return stored;
}

TEST(SealedChats, HandshakeFindsTheMatchingPasswordAmongAllStored) {
    struct Case { int stored, matching; Kind alice, bob; };
    const Case cases[] = {{1, 1, Kind::established, Kind::established},
                          {16, 11, Kind::established, Kind::established},  // answers span several lines
                          {3, 0, Kind::mismatch, Kind::mismatch},
                          {0, 0, Kind::mismatch, Kind::mismatch}};
    for (const Case& c : cases) {
        Pair pair;
        pair.handshake(pw("shared secret"), many_passwords(c.stored, c.matching));
        ASSERT_EQ(pair.alice_saw.size(), 1u) << c.stored;
        ASSERT_EQ(pair.bob_saw.size(), 1u) << c.stored;
        EXPECT_EQ(pair.alice_saw[0].kind, c.alice);
        EXPECT_EQ(pair.bob_saw[0].kind, c.bob);
        if (c.matching) { EXPECT_EQ(pair.bob_saw[0].slot, c.matching); }
        const auto expected = c.matching ? SealedChats::State::sealed : SealedChats::State::compatible;
        EXPECT_EQ(pair.alice.state("bob"), expected);
    }
}

TEST(SealedChats, ThreeFailedConfirmationsInTenMinutesRefuseTheNextOffer) {
    Pair pair;
    const int64_t minute = 60 * 1000;
    for (int i = 0; i < 3; ++i) pair.handshake(pw("wrong"), many_passwords(2, 1), i * minute);
    pair.bob_saw.clear();
    pair.handshake(pw("shared secret"), many_passwords(2, 1), 5 * minute);
    ASSERT_EQ(pair.bob_saw.size(), 1u);
    EXPECT_EQ(pair.bob_saw[0].kind, Kind::refused);
    pair.bob_saw.clear();
    pair.handshake(pw("shared secret"), many_passwords(2, 1), 10 * minute + 1);  // the first failure has aged out
    ASSERT_EQ(pair.bob_saw.size(), 1u);
    EXPECT_EQ(pair.bob_saw[0].kind, Kind::established);
}

TEST(SealedChats, UnansweredOfferFallsBackOnceAfterTheWait) {
    SealedChats alice;
    alice.offer("Alice", "Bob", pw("x"), 1000);
    EXPECT_TRUE(alice.expire(1000 + SealedChats::answer_wait_ms - 1).empty());
    EXPECT_EQ(alice.expire(1000 + SealedChats::answer_wait_ms), std::vector<std::string>{"bob"});
    EXPECT_TRUE(alice.expire(1000 + 2 * SealedChats::answer_wait_ms).empty());
    EXPECT_EQ(alice.state("Bob"), SealedChats::State::compatible);
}

std::string flip_bit(std::string line) {
    Bytes body = *untagged(sealed_message_tag, line);
    body[body.size() - 20] ^= 0x01;
    return tagged(sealed_message_tag, body);
}

TEST(SealedChats, MessagesOpenOnceInOrderAndNeverAltered) {
    Pair pair;
    pair.handshake(pw("shared secret"), many_passwords(1, 1));
    std::vector<std::string> sent;
    for (const char* text : {"one", "two", "three", "four", "five"}) sent.push_back(*pair.alice.seal("Bob", PayloadKind::text, text));
    const std::string from_bob = *pair.bob.seal("alice", PayloadKind::action, "waves");
    struct Step { std::string line; const char* shown; Kind notice; uint64_t missed; };
    const Step steps[] = {
        {sent[0], "one", Kind::established, 0},
        {flip_bit(sent[1]), nullptr, Kind::rejected, 0},
        {sent[1], "two", Kind::established, 0},  // the altered copy moved nothing
        {sent[1], nullptr, Kind::rejected, 0},   // replayed
        {from_bob, nullptr, Kind::rejected, 0},  // reflected to its author
        {sent[4], "five", Kind::missed, 2},      // three and four lost on the way
        {sent[3], nullptr, Kind::rejected, 0},   // late: its key is gone
    };
    for (const Step& step : steps) {
        SealedOutcome got = pair.bob.receive("Bob", "Alice", step.line, {}, room, 0);
        EXPECT_TRUE(got.handled);
        EXPECT_EQ(got.message.has_value(), step.shown != nullptr) << step.line;
        if (step.shown) { EXPECT_EQ(got.message->body, step.shown); }
        const bool notice = step.notice != Kind::established;
        ASSERT_EQ(got.notices.size(), notice ? 1u : 0u) << step.line;
        if (notice) { EXPECT_EQ(got.notices[0].kind, step.notice); }
        if (step.missed) { EXPECT_EQ(got.notices[0].count, step.missed); }
    }
    const SealedOutcome reply = pair.alice.receive("Alice", "Bob", from_bob, {}, room, 0);
    ASSERT_TRUE(reply.message);
    EXPECT_EQ(reply.message->kind, PayloadKind::action);
}

}  // namespace
