#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "crypto/sealed/sealed_keys.h"

// Messages of a sealed session. Each direction has a chain key; message n is
// sealed under a key drawn from the chain's n-th state with ChaCha20-Poly1305
// (IETF), counter n in the nonce and in the associated data, and the chain then
// moves on, its old state wiped: a key taken from a machine later opens no
// earlier message.

enum class Direction : uint8_t { from_initiator = 'I', from_responder = 'R' };
enum class PayloadKind : uint8_t { text = 1, action = 2, address = 3, file = 4 };

// Bytes of text one sealed part may carry so that its line text fits `room`.
size_t sealed_text_room(size_t room);

class SendChain {
public:
    SendChain(const Key& first, const Bytes& session_id, Direction direction);
    ~SendChain();
    SendChain(const SendChain&) = delete;
    SendChain& operator=(const SendChain&) = delete;
    // The tagged line text for one part (UTF-8 body).
    std::string seal(PayloadKind kind, const std::string& body);

private:
    Key chain_;
    Bytes session_id_;
    Direction direction_;
    uint64_t counter_ = 0;
};

struct OpenedMessage {
    PayloadKind kind = PayloadKind::text;
    std::string body;        // UTF-8
    uint64_t missed = 0;     // messages skipped before this one
};

class ReceiveChain {
public:
    ReceiveChain(const Key& first, const Bytes& session_id, Direction direction);
    ~ReceiveChain();
    ReceiveChain(const ReceiveChain&) = delete;
    ReceiveChain& operator=(const ReceiveChain&) = delete;
    // The message of a "[ZOVMSG02]" text, or nothing when it is altered,
    // replayed, reflected, of another session or too far ahead; a refused
    // text leaves the chain as it was.
    std::optional<OpenedMessage> open(const std::string& text);

private:
    Key chain_;
    Bytes session_id_;
    Direction direction_;
    uint64_t next_ = 0;
};

// The longest run of lost messages a receiver steps over: beyond it a text
// is refused rather than spending the chain steps on an unchecked counter.
constexpr uint64_t longest_gap = 4096;
