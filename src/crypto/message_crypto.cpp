#include "crypto/message_crypto.h"

#include <windows.h>

#include <cryptopp/hex.h>

#include <cwchar>

#include "app/text.h"
#include "crypto/aes_cbc.h"
#include "crypto/key_cache.h"
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

std::string decrypt_message(const std::string& block, const std::string& password) {
    const KeyMaterial material = cached_key_iv(password);
    CbcDecryption decryption(material);
    std::string plain;
    CryptoPP::StringSource source(
        block, true,
        new CryptoPP::HexDecoder(
            new CryptoPP::StreamTransformationFilter(decryption.mode(), new CryptoPP::StringSink(plain), cbc_padding)));
    if (plain.size() < random_prefix_length) {
        wipe_text(plain);
        // One block with valid padding and nothing after the prefix: cannot
        // come from a sender with this password.
        throw CryptoPP::InvalidCiphertext("Quillmere: decrypted message shorter than its random prefix");
    }
    std::string text = plain.substr(random_prefix_length);
    wipe_text(plain);
    return text;
}

std::optional<std::string> decrypt_with_any_password(const ChatClient& client, const std::string& block) {
    const StoredPasswords passwords(client);
    LibraryErrorLog errors;
    for (const StoredPasswords::Entry& entry : passwords.entries()) {
        try {
            return decrypt_message(block, entry.password);
        } catch (const CryptoPP::Exception& error) {
            errors.add(error);
        }
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
    std::wstring line = format_text(decrypted_line_format, decrypted_marker, wide_text(*plain, CP_THREAD_ACP));
    wipe_text(*plain);
    return line;
}
