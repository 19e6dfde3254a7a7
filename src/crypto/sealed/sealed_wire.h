#pragma once
#include <optional>
#include <string>

#include "crypto/sealed/cpace.h"

// Tags that open a sealed PRIVMSG text; the rest is standard base64 with padding.
constexpr char sealed_handshake_tag[] = "[ZOVKEX02]";
constexpr char sealed_message_tag[] = "[ZOVMSG02]";
constexpr size_t sealed_tag_length = 10;

std::string to_base64(const Bytes& bytes);
// Nothing for anything but canonical base64 with padding.
std::optional<Bytes> from_base64(const std::string& text);

// Length of the base64 text for `size` bytes, and the most bytes whose
// base64 fits `room` characters.
inline size_t base64_length(size_t size) { return (size + 2) / 3 * 4; }
inline size_t bytes_in_base64(size_t room) { return room / 4 * 3; }

// The tagged line text, and the bytes after `tag` (nothing when the text does
// not start with the tag or does not decode).
std::string tagged(const char* tag, const Bytes& payload);
std::optional<Bytes> untagged(const char* tag, const std::string& text);

void put_u64(Bytes& out, uint64_t value);  // big-endian
uint64_t get_u64(const uint8_t* in);
