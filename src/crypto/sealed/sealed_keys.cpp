#include "crypto/sealed/sealed_keys.h"

#include <sodium.h>

#include <cstring>

namespace {
constexpr char label_prefix[] = "quillmere sealed 2 ";

Key expand(const Bytes& prk, const char* label) {
    Bytes info(label_prefix, label_prefix + sizeof label_prefix - 1);
    info.insert(info.end(), label, label + std::strlen(label));
    info.push_back(1);  // HKDF's block counter: one block is enough
    Bytes block = hmac_sha512(prk.data(), prk.size(), info, 32);
    Key key{};
    std::copy(block.begin(), block.end(), key.begin());
    wipe(block);
    return key;
}

Bytes lower_case(const std::string& nick) {
    Bytes out(nick.begin(), nick.end());
    for (uint8_t& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c - 'A' + 'a');
    return out;
}
}  // namespace

SessionKeys::~SessionKeys() { wipe_all(); }

void SessionKeys::wipe_all() {
    for (Key* key : {&confirm_initiator, &confirm_responder, &chain_initiator, &chain_responder, &files}) wipe(*key);
}

Bytes hmac_sha512(const uint8_t* key, size_t key_size, const Bytes& message, size_t size) {
    crypto_auth_hmacsha512_state state;
    uint8_t out[crypto_auth_hmacsha512_BYTES];
    crypto_auth_hmacsha512_init(&state, key, key_size);
    crypto_auth_hmacsha512_update(&state, message.data(), message.size());
    crypto_auth_hmacsha512_final(&state, out);
    Bytes result(out, out + (size < sizeof out ? size : sizeof out));
    sodium_memzero(out, sizeof out);
    sodium_memzero(&state, sizeof state);
    return result;
}

SessionKeys derive_session_keys(const SessionKey& isk, const Bytes& session_id) {
    Bytes input(isk.begin(), isk.end());
    Bytes prk = hmac_sha512(session_id.data(), session_id.size(), input);  // HKDF extract
    SessionKeys keys;
    keys.confirm_initiator = expand(prk, "confirm initiator");
    keys.confirm_responder = expand(prk, "confirm responder");
    keys.chain_initiator = expand(prk, "chain initiator");
    keys.chain_responder = expand(prk, "chain responder");
    keys.files = expand(prk, "files");
    wipe(prk);
    wipe(input);
    return keys;
}

ConfirmTag confirm_tag(const Key& confirm_key, const Bytes& transcript) {
    Bytes mac = hmac_sha512(confirm_key.data(), confirm_key.size(), transcript, 16);
    ConfirmTag tag{};
    std::copy(mac.begin(), mac.end(), tag.begin());
    return tag;
}

bool same_tag(const ConfirmTag& a, const ConfirmTag& b) { return sodium_memcmp(a.data(), b.data(), a.size()) == 0; }

Bytes channel_identifier(const std::string& initiator_nick, const std::string& responder_nick) {
    const Bytes a = lower_case(initiator_nick), b = lower_case(responder_nick);
    return lv_cat({&a, &b});
}
