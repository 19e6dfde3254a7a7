#pragma once
#include <optional>
#include <string>

class ChatClient;

// An encrypted PRIVMSG text is this tag followed by the ciphertext of
// (16 random characters + the message) as upper-case hexadecimal.
constexpr wchar_t encrypted_message_tag[] = L"[ZOVMSG01]";
constexpr size_t encrypted_message_tag_length = 10;

// Markers of the chat lines that show such messages.
constexpr wchar_t encrypted_marker[] = L"[ENCRYPTED]";
constexpr wchar_t decrypted_marker[] = L"[DECRYPTED]";
constexpr wchar_t not_decrypted_marker[] = L"[NOT DECRYPTED]";
constexpr wchar_t decrypted_line_format[] = L" %s - %s";      // marker, text
constexpr wchar_t not_decrypted_line_format[] = L" - %s %s";  // marker, block

// The hexadecimal block (without the tag) for `text` under `password`; both are
// 8-bit text: the text in the thread's code page when it holds it, else UTF-8
// (encode_wire_text), the password one byte a character. Equal texts give
// different blocks.
std::string encrypt_message(const std::string& text, const std::string& password);

// The text of a block. Throws CryptoPP::Exception when the password does not
// fit: bad length, bad padding, or a result too short for the random prefix.
// Characters that are not hexadecimal digits are skipped, either case is read,
// and a final odd digit is dropped.
std::string decrypt_message(const std::string& block, const std::string& password);

// Tries stored password slots 1 to 16 in order; the first that fits gives the
// text. Nothing when no defined password fits (or none is defined).
std::optional<std::string> decrypt_with_any_password(const ChatClient& client, const std::string& block);

// True when a received PRIVMSG text is an encrypted message: the tag, then
// more than ten characters.
bool is_encrypted_message(const wchar_t* text);

// For an encrypted PRIVMSG text (see is_encrypted_message): the line to show
// after the sender's name, " [DECRYPTED] - text" with the stored passwords'
// result, else " - [NOT DECRYPTED] block". Runs the slow part on the caller's
// thread (the receive thread). Empty for any other text.
std::wstring read_encrypted_message(const ChatClient& client, const wchar_t* text);
