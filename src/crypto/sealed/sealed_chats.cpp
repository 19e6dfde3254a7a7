#include "crypto/sealed/sealed_chats.h"

#include <sodium.h>

#include <algorithm>

#include "crypto/sealed/sealed_wire.h"

namespace {
constexpr uint8_t offer_type = 'O', answer_type = 'A', confirm_type = 'C';
constexpr size_t head_size = 2 + session_id_size;  // type, version, session id
constexpr size_t entry_size = 1 + 32 + 16;         // index, share, tag
constexpr size_t most_candidates = 255;
constexpr size_t most_peers = 256;

std::string lower_case(std::string nick) {
    for (char& c : nick)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return nick;
}

Bytes head(uint8_t type, const Bytes& session_id) {
    Bytes out;
    out.reserve(head_size + 1 + 16 * entry_size);
    out.push_back(type);
    out.push_back(sealed_version);
    out.insert(out.end(), session_id.begin(), session_id.end());
    return out;
}

template <typename A>
void append(Bytes& out, const A& more) { out.insert(out.end(), more.begin(), more.end()); }

template <typename A>
A take(const Bytes& from, size_t at) {
    A out{};
    std::copy(from.begin() + at, from.begin() + at + out.size(), out.begin());
    return out;
}
}  // namespace

struct SealedChats::Peer {
    struct Offer {
        Bytes session_id;
        Scalar y{};
        Point share{};
        Bytes password;
        Bytes channel_id;
        int64_t started = 0;
        size_t entries_seen = 0;
        ~Offer() { wipe(y); wipe(password); }
    };
    struct Candidate {
        int slot = 0;
        SessionKeys keys;
        Bytes transcript;
    };
    struct Pending {
        Bytes session_id;
        std::vector<std::unique_ptr<Candidate>> candidates;
        int64_t failure_time = 0;
    };
    struct Session {
        Bytes session_id;
        std::unique_ptr<SendChain> send;
        std::unique_ptr<ReceiveChain> receive;
        Key files{};
        ~Session() { wipe(files); }
    };
    std::unique_ptr<Offer> offer;
    std::unique_ptr<Pending> pending;
    std::unique_ptr<Session> session;
    bool compatible = false;
    std::deque<int64_t> failures;

    void reset() {
        offer.reset();
        pending.reset();
        session.reset();
        compatible = false;
    }

    void start_session(const Bytes& session_id, const SessionKeys& keys, bool initiator) {
        session = std::make_unique<Session>();
        session->session_id = session_id;
        session->send = std::make_unique<SendChain>(initiator ? keys.chain_initiator : keys.chain_responder, session_id,
                                                    initiator ? Direction::from_initiator : Direction::from_responder);
        session->receive = std::make_unique<ReceiveChain>(initiator ? keys.chain_responder : keys.chain_initiator,
                                                          session_id,
                                                          initiator ? Direction::from_responder : Direction::from_initiator);
        session->files = keys.files;
        compatible = false;
    }
};

SealedChats::SealedChats() = default;
SealedChats::~SealedChats() = default;

SealedChats::Peer& SealedChats::peer_of(const std::string& nick) {
    // Sealed lines from many nicknames must not grow the table without end:
    // correspondents with nothing to keep go first.
    if (peers_.size() >= most_peers && !peers_.count(lower_case(nick))) {
        for (auto it = peers_.begin(); it != peers_.end();) {
            const Peer& p = *it->second;
            const bool idle = !p.offer && !p.pending && !p.session && p.failures.empty();
            it = idle ? peers_.erase(it) : std::next(it);
        }
    }
    std::unique_ptr<Peer>& peer = peers_[lower_case(nick)];
    if (!peer) peer = std::make_unique<Peer>();
    return *peer;
}

std::string SealedChats::offer(const std::string& own, const std::string& nick, const Bytes& password, int64_t now_ms) {
    sealed_crypto_ready();
    std::lock_guard<std::mutex> lock(mutex_);
    Peer& peer = peer_of(nick);
    peer.reset();
    auto offer = std::make_unique<Peer::Offer>();
    offer->session_id.resize(session_id_size);
    randombytes_buf(offer->session_id.data(), offer->session_id.size());
    offer->password = password;
    offer->channel_id = channel_identifier(own, nick);
    offer->started = now_ms;
    offer->y = random_scalar();
    offer->share = *cpace_share(offer->y, cpace_generator(password, offer->channel_id, offer->session_id));
    Bytes body = head(offer_type, offer->session_id);
    append(body, offer->share);
    peer.offer = std::move(offer);
    return tagged(sealed_handshake_tag, body);
}

SealedOutcome SealedChats::receive(const std::string& own, const std::string& nick, const std::string& text,
                                   const std::vector<CandidatePassword>& stored, size_t room, int64_t now_ms) {
    SealedOutcome outcome;
    const bool handshake = text.compare(0, sealed_tag_length, sealed_handshake_tag) == 0;
    const bool message = text.compare(0, sealed_tag_length, sealed_message_tag) == 0;
    if (!handshake && !message) return outcome;
    outcome.handled = true;
    sealed_crypto_ready();
    std::lock_guard<std::mutex> lock(mutex_);
    Peer& peer = peer_of(nick);
    if (message) {
        std::optional<OpenedMessage> opened = peer.session ? peer.session->receive->open(text) : std::nullopt;
        if (!opened) {
            outcome.notices.push_back({SealedNotice::Kind::rejected});
        } else {
            if (opened->missed) outcome.notices.push_back({SealedNotice::Kind::missed, opened->missed});
            outcome.message = std::move(opened);
        }
        return outcome;
    }
    const std::optional<Bytes> body = untagged(sealed_handshake_tag, text);
    if (!body || body->size() < head_size || (*body)[1] != sealed_version) return outcome;
    switch ((*body)[0]) {
    case offer_type: return answer_offer(peer, own, nick, *body, stored, room, now_ms);
    case answer_type: return take_answer(peer, *body);
    case confirm_type: return take_confirmation(peer, *body);
    default: return outcome;
    }
}

SealedOutcome SealedChats::answer_offer(Peer& peer, const std::string& own, const std::string& nick, const Bytes& body,
                                        const std::vector<CandidatePassword>& stored, size_t room, int64_t now_ms) {
    SealedOutcome outcome;
    outcome.handled = true;
    if (body.size() != head_size + 32) return outcome;
    const Bytes session_id(body.begin() + 2, body.begin() + head_size);
    // Both sides offered at once: the offer with the larger session id goes on.
    if (peer.offer && !std::lexicographical_compare(peer.offer->session_id.begin(), peer.offer->session_id.end(),
                                                    session_id.begin(), session_id.end()))
        return outcome;
    while (!peer.failures.empty() && now_ms - peer.failures.front() >= failure_window_ms) peer.failures.pop_front();
    if (peer.failures.size() >= failures_allowed) {
        outcome.notices.push_back({SealedNotice::Kind::refused});
        return outcome;
    }
    const Point their_share = take<Point>(body, head_size);
    const Bytes channel_id = channel_identifier(nick, own);
    auto pending = std::make_unique<Peer::Pending>();
    pending->session_id = session_id;
    std::vector<Bytes> entries;
    for (const CandidatePassword& candidate : stored) {
        if (pending->candidates.size() == most_candidates) break;
        Scalar y = random_scalar();
        const std::optional<Point> share = cpace_share(y, cpace_generator(candidate.password, channel_id, session_id));
        std::optional<Point> shared = cpace_shared_point(y, their_share);
        wipe(y);
        if (!share || !shared) return outcome;  // a share that does not decode ends the exchange
        auto entry = std::make_unique<Peer::Candidate>();
        entry->slot = candidate.slot;
        entry->transcript = transcript_ir(their_share, {}, *share, {});
        SessionKey isk = intermediate_session_key(session_id, *shared, entry->transcript);
        wipe(*shared);
        entry->keys = derive_session_keys(isk, session_id);
        wipe(isk);
        Bytes line_entry;
        line_entry.reserve(entry_size);
        line_entry.push_back(static_cast<uint8_t>(pending->candidates.size() + 1));
        append(line_entry, *share);
        append(line_entry, confirm_tag(entry->keys.confirm_responder, entry->transcript));
        entries.push_back(line_entry);
        pending->candidates.push_back(std::move(entry));
    }
    // Every offer counts as a failure until its confirmation proves otherwise:
    // a guesser who never confirms is counted too. A session that holds
    // stays until the new one is confirmed.
    peer.offer.reset();
    peer.pending.reset();
    pending->failure_time = now_ms;
    peer.failures.push_back(now_ms);
    const size_t room_bytes = room > sealed_tag_length ? bytes_in_base64(room - sealed_tag_length) : 0;
    const size_t per_line = std::max<size_t>(1, room_bytes > head_size + 1 ? (room_bytes - head_size - 1) / entry_size : 1);
    size_t next = 0;
    do {
        Bytes line = head(answer_type, session_id);
        line.push_back(static_cast<uint8_t>(entries.size()));
        for (size_t n = 0; n < per_line && next < entries.size(); ++n) append(line, entries[next++]);
        outcome.replies.push_back(tagged(sealed_handshake_tag, line));
    } while (next < entries.size());
    peer.pending = std::move(pending);
    return outcome;
}

SealedOutcome SealedChats::take_answer(Peer& peer, const Bytes& body) {
    SealedOutcome outcome;
    outcome.handled = true;
    Peer::Offer* offer = peer.offer.get();
    if (!offer || body.size() < head_size + 1 || (body.size() - head_size - 1) % entry_size != 0 ||
        !std::equal(offer->session_id.begin(), offer->session_id.end(), body.begin() + 2))
        return outcome;
    const size_t total = body[head_size];
    for (size_t at = head_size + 1; at < body.size(); at += entry_size) {
        const uint8_t index = body[at];
        const Point share = take<Point>(body, at + 1);
        const ConfirmTag tag = take<ConfirmTag>(body, at + 33);
        ++offer->entries_seen;
        std::optional<Point> shared = cpace_shared_point(offer->y, share);
        if (!shared) continue;
        const Bytes transcript = transcript_ir(offer->share, {}, share, {});
        SessionKey isk = intermediate_session_key(offer->session_id, *shared, transcript);
        wipe(*shared);
        SessionKeys keys = derive_session_keys(isk, offer->session_id);
        wipe(isk);
        if (!same_tag(tag, confirm_tag(keys.confirm_responder, transcript))) continue;
        Bytes confirm = head(confirm_type, offer->session_id);
        confirm.push_back(index);
        append(confirm, confirm_tag(keys.confirm_initiator, transcript));
        outcome.replies.push_back(tagged(sealed_handshake_tag, confirm));
        const Bytes session_id = offer->session_id;
        peer.offer.reset();
        peer.start_session(session_id, keys, true);
        outcome.notices.push_back({SealedNotice::Kind::established});
        return outcome;
    }
    if (offer->entries_seen >= total) {
        Bytes refusal = head(confirm_type, offer->session_id);
        refusal.push_back(0);
        append(refusal, ConfirmTag{});
        outcome.replies.push_back(tagged(sealed_handshake_tag, refusal));
        peer.offer.reset();
        peer.compatible = true;
        outcome.notices.push_back({SealedNotice::Kind::mismatch});
    }
    return outcome;
}

SealedOutcome SealedChats::take_confirmation(Peer& peer, const Bytes& body) {
    SealedOutcome outcome;
    outcome.handled = true;
    Peer::Pending* pending = peer.pending.get();
    if (!pending || body.size() != head_size + 1 + 16 ||
        !std::equal(pending->session_id.begin(), pending->session_id.end(), body.begin() + 2))
        return outcome;
    const size_t index = body[head_size];
    const ConfirmTag tag = take<ConfirmTag>(body, head_size + 1);
    Peer::Candidate* candidate =
        index >= 1 && index <= pending->candidates.size() ? pending->candidates[index - 1].get() : nullptr;
    if (!candidate || !same_tag(tag, confirm_tag(candidate->keys.confirm_initiator, candidate->transcript))) {
        peer.pending.reset();
        outcome.notices.push_back({SealedNotice::Kind::mismatch});
        return outcome;
    }
    auto counted = std::find(peer.failures.begin(), peer.failures.end(), pending->failure_time);
    if (counted != peer.failures.end()) peer.failures.erase(counted);
    const Bytes session_id = pending->session_id;
    const int slot = candidate->slot;
    peer.start_session(session_id, candidate->keys, false);
    peer.pending.reset();
    outcome.notices.push_back({SealedNotice::Kind::established, 0, slot});
    return outcome;
}

std::optional<std::string> SealedChats::seal(const std::string& nick, PayloadKind kind, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = peers_.find(lower_case(nick));
    if (found == peers_.end() || !found->second->session) return std::nullopt;
    return found->second->session->send->seal(kind, body);
}

std::optional<Key> SealedChats::file_key_for(const std::string& nick, const FileId& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = peers_.find(lower_case(nick));
    if (found == peers_.end() || !found->second->session) return std::nullopt;
    return file_key(found->second->session->files, id);
}

SealedChats::State SealedChats::state(const std::string& nick) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = peers_.find(lower_case(nick));
    if (found == peers_.end()) return State::none;
    const Peer& peer = *found->second;
    if (peer.session) return State::sealed;
    if (peer.offer) return State::offering;
    return peer.compatible ? State::compatible : State::none;
}

std::vector<std::string> SealedChats::expire(int64_t now_ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> fallen_back;
    for (auto& [nick, peer] : peers_) {
        if (peer->offer && now_ms - peer->offer->started >= wait_ms_) {
            peer->offer.reset();
            peer->compatible = true;
            fallen_back.push_back(nick);
        }
    }
    return fallen_back;
}

void SealedChats::forget(const std::string& nick) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = peers_.find(lower_case(nick));
    if (found != peers_.end()) found->second->reset();
}

void SealedChats::forget_all() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& entry : peers_) entry.second->reset();
}
