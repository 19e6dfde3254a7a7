#pragma once
#include <array>
#include <string>

#include "crypto/sealed/cpace.h"

// The keys of one sealed session, all derived from the exchange's session key
// (ISK) with HKDF-SHA-512 salted by the session id. "Initiator" is the side
// that sent the offer.
using Key = std::array<uint8_t, 32>;
using ConfirmTag = std::array<uint8_t, 16>;

constexpr uint8_t sealed_version = 2;
constexpr size_t session_id_size = 16;

struct SessionKeys {
    Key confirm_initiator{}, confirm_responder{};
    Key chain_initiator{}, chain_responder{};  // first chain key of each direction
    Key files{};
    ~SessionKeys();
    void wipe_all();
};

SessionKeys derive_session_keys(const SessionKey& isk, const Bytes& session_id);

// HMAC-SHA-512 of `message` under `key`, the first `size` bytes (at most 64).
Bytes hmac_sha512(const uint8_t* key, size_t key_size, const Bytes& message, size_t size = 64);

// Proof of the session key over the transcript, one per side.
ConfirmTag confirm_tag(const Key& confirm_key, const Bytes& transcript);
bool same_tag(const ConfirmTag& a, const ConfirmTag& b);

// The channel identifier: both nicknames in lower case, initiator first.
Bytes channel_identifier(const std::string& initiator_nick, const std::string& responder_nick);
