#include "crypto/sealed/sealed_message.h"

#include <sodium.h>

#include "crypto/sealed/sealed_wire.h"

namespace {
constexpr size_t header_size = 1 + session_id_size + 8;  // version, session id, counter
constexpr size_t mac_size = crypto_aead_chacha20poly1305_ietf_ABYTES;

// Message key from the chain's state, then the state after it.
Key chain_output(const Key& chain, uint8_t which) {
    Bytes mac = hmac_sha512(chain.data(), chain.size(), Bytes{which}, 32);
    Key key{};
    std::copy(mac.begin(), mac.end(), key.begin());
    wipe(mac);
    return key;
}
Key message_key(const Key& chain) { return chain_output(chain, 1); }
Key next_chain(const Key& chain) { return chain_output(chain, 2); }

Bytes associated_data(const Bytes& session_id, Direction direction, uint64_t counter) {
    Bytes ad;
    ad.reserve(2 + session_id.size() + 8);
    ad.push_back(sealed_version);
    ad.insert(ad.end(), session_id.begin(), session_id.end());
    ad.push_back(static_cast<uint8_t>(direction));
    put_u64(ad, counter);
    return ad;
}

std::array<uint8_t, crypto_aead_chacha20poly1305_ietf_NPUBBYTES> nonce_for(uint64_t counter) {
    std::array<uint8_t, crypto_aead_chacha20poly1305_ietf_NPUBBYTES> nonce{};
    for (int i = 0; i < 8; ++i) nonce[4 + i] = static_cast<uint8_t>(counter >> (56 - 8 * i));
    return nonce;
}
}  // namespace

size_t sealed_text_room(size_t room) {
    if (room <= sealed_tag_length) return 0;
    const size_t bytes = bytes_in_base64(room - sealed_tag_length);
    const size_t overhead = header_size + 1 + mac_size;
    return bytes > overhead ? bytes - overhead : 0;
}

SendChain::SendChain(const Key& first, const Bytes& session_id, Direction direction)
    : chain_(first), session_id_(session_id), direction_(direction) {}
SendChain::~SendChain() { wipe(chain_); }

std::string SendChain::seal(PayloadKind kind, const std::string& body) {
    Bytes plain;
    plain.reserve(1 + body.size());
    plain.push_back(static_cast<uint8_t>(kind));
    plain.insert(plain.end(), body.begin(), body.end());
    Key key = message_key(chain_);
    const Bytes ad = associated_data(session_id_, direction_, counter_);
    const auto nonce = nonce_for(counter_);
    Bytes wire;
    wire.reserve(header_size + plain.size() + mac_size);
    wire.push_back(sealed_version);
    wire.insert(wire.end(), session_id_.begin(), session_id_.end());
    put_u64(wire, counter_);
    const size_t start = wire.size();
    wire.resize(start + plain.size() + mac_size);
    unsigned long long sealed_size = 0;
    crypto_aead_chacha20poly1305_ietf_encrypt(wire.data() + start, &sealed_size, plain.data(), plain.size(), ad.data(),
                                              ad.size(), nullptr, nonce.data(), key.data());
    Key next = next_chain(chain_);
    wipe(chain_);
    chain_ = next;
    wipe(next);
    wipe(key);
    wipe(plain);
    ++counter_;
    return tagged(sealed_message_tag, wire);
}

ReceiveChain::ReceiveChain(const Key& first, const Bytes& session_id, Direction direction)
    : chain_(first), session_id_(session_id), direction_(direction) {}
ReceiveChain::~ReceiveChain() { wipe(chain_); }

std::optional<OpenedMessage> ReceiveChain::open(const std::string& text) {
    const std::optional<Bytes> wire = untagged(sealed_message_tag, text);
    if (!wire || wire->size() < header_size + 1 + mac_size || (*wire)[0] != sealed_version ||
        sodium_memcmp(wire->data() + 1, session_id_.data(), session_id_size) != 0)
        return std::nullopt;
    const uint64_t counter = get_u64(wire->data() + 1 + session_id_size);
    if (counter < next_ || counter - next_ > longest_gap) return std::nullopt;
    // Stepped on a copy: a text that fails its check must not move the chain.
    Key chain = chain_;
    for (uint64_t n = next_; n < counter; ++n) {
        Key next = next_chain(chain);
        wipe(chain);
        chain = next;
        wipe(next);
    }
    Key key = message_key(chain);
    const Bytes ad = associated_data(session_id_, direction_, counter);
    const auto nonce = nonce_for(counter);
    Bytes plain(wire->size() - header_size);
    unsigned long long plain_size = 0;
    const bool ok = crypto_aead_chacha20poly1305_ietf_decrypt(plain.data(), &plain_size, nullptr,
                                                             wire->data() + header_size, wire->size() - header_size,
                                                             ad.data(), ad.size(), nonce.data(), key.data()) == 0 &&
                    plain_size >= 1;
    wipe(key);
    if (!ok) {
        wipe(chain);
        return std::nullopt;
    }
    OpenedMessage opened;
    opened.kind = static_cast<PayloadKind>(plain[0]);
    opened.body.assign(plain.begin() + 1, plain.begin() + plain_size);
    opened.missed = counter - next_;
    wipe(plain);
    wipe(chain_);
    chain_ = next_chain(chain);
    wipe(chain);
    next_ = counter + 1;
    return opened;
}
