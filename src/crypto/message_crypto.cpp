#include "crypto/message_crypto.h"

#include <windows.h>

#include <cryptopp/hex.h>

#include <cwchar>

#include "app/text.h"
#include "app/hidden_characters.h"
#include "app/wire_text.h"
#include "crypto/aes_cbc.h"
#include "crypto/key_cache.h"
#include "crypto/padding_probe.h"
#include "crypto/stored_passwords.h"

std::string encrypt_message(const std::string& text, const std::string& password) {
    std::string plain = make_random_prefix() + text;
    const KeyMaterial material = cached_key_iv(password);
    CbcEncryption encryption(material);
    std::string block;
    CryptoPP::StringSource source(
        plain, true,
        new CryptoPP::StreamTransformationFilter(
            encryption.mode(), new CryptoPP::HexEncoder(new CryptoPP::StringSink(block), true, 0), cbc_padding));
    wipe_text(plain);
    return block;
}

namespace {

constexpr char prefix_error_text[] = "Quillmere: decrypted message shorter than its random prefix";

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// As the library's hex decoder reads it: other characters skipped, either
// case, a final odd digit dropped.
std::string hex_bytes(const std::string& block) {
    std::string bytes;
    bytes.reserve(block.size() / 2);
    int high = -1;
    for (char c : block) {
        int digit = hex_digit(c);
        if (digit < 0) continue;
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high << 4 | digit);
            high = -1;
        }
    }
    return bytes;
}

// The library's filters, for the rare block that is not whole blocks: they
// say what is wrong with it in their own words.
std::string library_decrypt(const std::string& block, const std::string& password) {
    const KeyMaterial material = cached_key_iv(password);
    CbcDecryption decryption(material);
    std::string plain;
    CryptoPP::StringSource source(
        block, true,
        new CryptoPP::HexDecoder(
            new CryptoPP::StreamTransformationFilter(decryption.mode(), new CryptoPP::StringSink(plain), cbc_padding)));
    if (plain.size() < random_prefix_length) {
        wipe_text(plain);
        throw CryptoPP::InvalidCiphertext(prefix_error_text);
    }
    std::string text = plain.substr(random_prefix_length);
    wipe_text(plain);
    return text;
}

// The text of `cipher` (the decoded `block`) under one password, or nothing
// and `error` saying why. A wrong password is found from the last block
// alone, without a throw.
std::optional<std::string> try_password(const std::string& block, const std::string& cipher,
                                        const std::string& password, std::string& error) {
    constexpr size_t block_size = 16;
    if (cipher.empty() || cipher.size() % block_size != 0) {
        try {
            return library_decrypt(block, password);
        } catch (const CryptoPP::Exception& thrown) {
            error = thrown.what();
            return std::nullopt;
        }
    }
    const KeyMaterial material = cached_key_iv(password);
    const auto* bytes = reinterpret_cast<const unsigned char*>(cipher.data());
    if (!ciphertext_padding_would_fit(material, bytes, cipher.size())) {
        error = cbc_padding_error_text();
        return std::nullopt;
    }
    std::string plain(cipher.size(), '\0');
    cbc_decrypt_blocks(material, bytes, cipher.size(), reinterpret_cast<unsigned char*>(plain.data()));
    const size_t padding = static_cast<unsigned char>(plain.back());
    if (cipher.size() - padding < random_prefix_length) {
        // Valid padding and nothing after the prefix: cannot come from a
        // sender with this password.
        wipe_text(plain);
        error = prefix_error_text;
        return std::nullopt;
    }
    std::string text = plain.substr(random_prefix_length, cipher.size() - padding - random_prefix_length);
    wipe_text(plain);
    return text;
}

}  // namespace

std::string decrypt_message(const std::string& block, const std::string& password) {
    std::string error;
    std::optional<std::string> text = try_password(block, hex_bytes(block), password, error);
    if (!text) throw CryptoPP::InvalidCiphertext(error);
    return std::move(*text);
}

std::optional<std::string> decrypt_with_any_password(const ChatClient& client, const std::string& block) {
    const StoredPasswords passwords(client);
    const std::string cipher = hex_bytes(block);
    LibraryErrorLog errors;
    std::string error;
    for (const StoredPasswords::Entry& entry : passwords.entries()) {
        if (std::optional<std::string> text = try_password(block, cipher, entry.password, error)) return text;
        errors.add(error);
    }
    return std::nullopt;
}

bool is_encrypted_message(const wchar_t* text) {
    return text && std::wcsncmp(text, encrypted_message_tag, encrypted_message_tag_length) == 0 &&
           std::wcslen(text) > 2 * encrypted_message_tag_length;
}

std::wstring read_encrypted_message(const ChatClient& client, const wchar_t* text) {
    if (!is_encrypted_message(text)) return {};
    const wchar_t* block = text + encrypted_message_tag_length;
    const std::string narrow_block = narrow_text(block, CP_THREAD_ACP);
    std::optional<std::string> plain = decrypt_with_any_password(client, narrow_block);
    if (!plain) return format_text(not_decrypted_line_format, not_decrypted_marker, block);
    // The text is read by the same rule as a line from the server.
    std::wstring message;
    decode_wire_text(plain->data(), plain->size(), CP_THREAD_ACP, message);
    wipe_text(*plain);
    // Unlike a server line the plaintext may hold CR LF too.
    mark_line_breaks_and_bidi(message);
    std::wstring line = format_text(decrypted_line_format, decrypted_marker, message);
    SecureZeroMemory(message.data(), message.size() * sizeof(wchar_t));
    return line;
}
