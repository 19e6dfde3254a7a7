#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// CPace (suite ristretto255 with SHA-512): a balanced password-authenticated
// key exchange. Each side draws a secret scalar y, sends Y = y*g where the
// generator g hangs on the password, and both derive the same intermediate
// session key (ISK) only when they used the same password. An observer of Y
// learns nothing to test a password against.

using Bytes = std::vector<uint8_t>;
using Point = std::array<uint8_t, 32>;
using Scalar = std::array<uint8_t, 32>;
using SessionKey = std::array<uint8_t, 64>;

// Makes libsodium ready; safe to call from any thread, any number of times.
// False only when the library cannot start (no secure random source).
bool sealed_crypto_ready();

// LEB128 length followed by the bytes; lv_cat is the concatenation of those.
Bytes prepend_len(const Bytes& field);
Bytes lv_cat(std::initializer_list<const Bytes*> fields);

// The hash input that fixes the generator: domain, password, zero padding up
// to the hash block, channel identifier and session id, each length-prefixed.
Bytes generator_string(const Bytes& password, const Bytes& channel_id, const Bytes& session_id);

// g for the password, channel and session.
Point cpace_generator(const Bytes& password, const Bytes& channel_id, const Bytes& session_id);

// A fresh secret scalar, uniform in [1, L-1].
Scalar random_scalar();

// y*g; nothing when libsodium refuses (never for a valid generator).
std::optional<Point> cpace_share(const Scalar& y, const Point& generator);

// y*Y for the peer's share: nothing when the share does not decode or the
// product is the identity, which ends the exchange.
std::optional<Point> cpace_shared_point(const Scalar& y, const Point& peer_share);

// Initiator's pair first, whichever side computes it.
Bytes transcript_ir(const Point& initiator_share, const Bytes& initiator_ad, const Point& responder_share,
                    const Bytes& responder_ad);

// SHA-512 of lv_cat(domain "_ISK", sid, K) followed by the transcript.
SessionKey intermediate_session_key(const Bytes& session_id, const Point& shared_point, const Bytes& transcript);

// Overwrites the bytes in place (not removed by the optimiser).
void wipe_bytes(void* data, size_t size);
template <typename T>
void wipe(T& buffer) {
    wipe_bytes(buffer.data(), buffer.size() * sizeof(buffer[0]));
}
