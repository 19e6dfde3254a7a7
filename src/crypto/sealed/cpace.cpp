#include "crypto/sealed/cpace.h"

#include <sodium.h>

#include <algorithm>
#include <mutex>

namespace {
const Bytes domain = {'C', 'P', 'a', 'c', 'e', 'R', 'i', 's', 't', 'r', 'e', 't', 't', 'o', '2', '5', '5'};
constexpr size_t hash_block_size = 128;  // SHA-512's input block

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

Bytes point_bytes(const Point& point) { return Bytes(point.begin(), point.end()); }
}  // namespace

bool sealed_crypto_ready() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = sodium_init() >= 0; });
    return ready;
}

void wipe_bytes(void* data, size_t size) {
    if (size) sodium_memzero(data, size);
}

Bytes prepend_len(const Bytes& field) {
    Bytes out;
    size_t length = field.size();
    do {
        uint8_t byte = length & 0x7f;
        length >>= 7;
        out.push_back(byte | (length ? 0x80 : 0));
    } while (length);
    append(out, field);
    return out;
}

Bytes lv_cat(std::initializer_list<const Bytes*> fields) {
    Bytes out;
    for (const Bytes* field : fields) append(out, prepend_len(*field));
    return out;
}

Bytes generator_string(const Bytes& password, const Bytes& channel_id, const Bytes& session_id) {
    const size_t used = prepend_len(password).size() + prepend_len(domain).size() + 1;
    const Bytes zero_pad(used < hash_block_size ? hash_block_size - used : 0, 0);
    return lv_cat({&domain, &password, &zero_pad, &channel_id, &session_id});
}

Point cpace_generator(const Bytes& password, const Bytes& channel_id, const Bytes& session_id) {
    Bytes input = generator_string(password, channel_id, session_id);
    uint8_t hash[crypto_hash_sha512_BYTES];
    crypto_hash_sha512(hash, input.data(), input.size());
    Point generator{};
    crypto_core_ristretto255_from_hash(generator.data(), hash);
    wipe(input);
    wipe_bytes(hash, sizeof hash);
    return generator;
}

Scalar random_scalar() {
    Scalar y{};
    crypto_core_ristretto255_scalar_random(y.data());
    return y;
}

std::optional<Point> cpace_share(const Scalar& y, const Point& generator) {
    Point share{};
    if (crypto_scalarmult_ristretto255(share.data(), y.data(), generator.data()) != 0) return std::nullopt;
    return share;
}

std::optional<Point> cpace_shared_point(const Scalar& y, const Point& peer_share) {
    Point shared{};
    // -1 covers both an encoding that does not decode and the identity.
    if (crypto_scalarmult_ristretto255(shared.data(), y.data(), peer_share.data()) != 0 ||
        sodium_is_zero(shared.data(), shared.size()))
        return std::nullopt;
    return shared;
}

Bytes transcript_ir(const Point& initiator_share, const Bytes& initiator_ad, const Point& responder_share,
                    const Bytes& responder_ad) {
    const Bytes ya = point_bytes(initiator_share), yb = point_bytes(responder_share);
    return lv_cat({&ya, &initiator_ad, &yb, &responder_ad});
}

SessionKey intermediate_session_key(const Bytes& session_id, const Point& shared_point, const Bytes& transcript) {
    Bytes label = domain;
    for (char c : {'_', 'I', 'S', 'K'}) label.push_back(static_cast<uint8_t>(c));
    Bytes k = point_bytes(shared_point);
    Bytes input = lv_cat({&label, &session_id, &k});
    append(input, transcript);
    SessionKey isk{};
    crypto_hash_sha512(isk.data(), input.data(), input.size());
    wipe(k);
    wipe(input);
    return isk;
}
