#include "crypto/sealed/sealed_wire.h"

#include <sodium.h>

#include <cstring>

std::string to_base64(const Bytes& bytes) {
    std::string out(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(&out[0], out.size(), bytes.data(), bytes.size(), sodium_base64_VARIANT_ORIGINAL);
    out.resize(std::strlen(out.c_str()));
    return out;
}

std::optional<Bytes> from_base64(const std::string& text) {
    Bytes out(text.size() / 4 * 3 + 3);
    size_t size = 0;
    const char* end = nullptr;
    if (sodium_base642bin(out.data(), out.size(), text.data(), text.size(), nullptr, &size, &end,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        end != text.data() + text.size())
        return std::nullopt;
    out.resize(size);
    return out;
}

std::string tagged(const char* tag, const Bytes& payload) { return tag + to_base64(payload); }

std::optional<Bytes> untagged(const char* tag, const std::string& text) {
    const size_t length = std::strlen(tag);
    if (text.compare(0, length, tag) != 0) return std::nullopt;
    return from_base64(text.substr(length));
}

void put_u64(Bytes& out, uint64_t value) {
    for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint64_t get_u64(const uint8_t* in) {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = value << 8 | in[i];
    return value;
}
