#pragma once
#include <cstddef>
#include <cwchar>
#include <string>

// The two decisions for text that leaves or enters the program as bytes (IRC
// lines, the plaintext of encrypted messages, saved chats, the server log).
// Copies that know only their ANSI code page must go on understanding what we
// send, and we must understand both them and the many clients that send UTF-8:
//
// - reading: valid UTF-8 that holds at least one byte above 0x7F is UTF-8;
//   anything else (pure ASCII included) is the code page's, as it always was;
// - writing: text that the code page holds exactly goes out in the code page,
//   byte for byte as it always did; only other text goes out as UTF-8.
//
// `code_page` is CP_ACP for the IRC wire and CP_THREAD_ACP for the program's
// other 8-bit text.

enum class TextForm { code_page, utf8 };

// Bytes to text into `out` (its storage reused). Pure ASCII takes a fast path
// that never calls the system.
TextForm decode_wire_text(const char* bytes, size_t length, unsigned code_page, std::wstring& out);
inline std::wstring decode_wire_text(const std::string& bytes, unsigned code_page) {
    std::wstring out;
    decode_wire_text(bytes.data(), bytes.size(), code_page, out);
    return out;
}

// Text to bytes, and which form they took.
std::string encode_wire_text(const wchar_t* text, size_t length, unsigned code_page, TextForm* form = nullptr);
inline std::string encode_wire_text(const std::wstring& text, unsigned code_page, TextForm* form = nullptr) {
    return encode_wire_text(text.data(), text.size(), code_page, form);
}

// True when the code page gives back exactly this text from its own bytes:
// a best-fit substitute ("A" for "Ā") or a default character does not count.
bool code_page_holds(const wchar_t* text, size_t length, unsigned code_page);
inline bool code_page_holds(const std::wstring& text, unsigned code_page) {
    return code_page_holds(text.data(), text.size(), code_page);
}

// Strict UTF-8: no overlong form, no surrogate, nothing above U+10FFFF, no
// sequence cut short.
bool is_valid_utf8(const char* bytes, size_t length);

// UTF-16 to UTF-8 and back, done here rather than by the system so that every
// version of it gives the same bytes. A lone surrogate becomes U+FFFD; so does
// each byte that does not begin a valid sequence when reading.
std::string utf8_text(const wchar_t* text, size_t length);
inline std::string utf8_text(const std::wstring& text) { return utf8_text(text.data(), text.size()); }
inline std::string utf8_text(const wchar_t* text) { return text ? utf8_text(text, std::wcslen(text)) : std::string(); }
std::wstring text_from_utf8(const char* bytes, size_t length);
inline std::wstring text_from_utf8(const std::string& bytes) { return text_from_utf8(bytes.data(), bytes.size()); }

// Bytes of UTF-8 that utf8_text gives for these UTF-16 units.
size_t utf8_size(const wchar_t* text, size_t length);

// The byte order mark that starts a file written as UTF-8.
constexpr char utf8_byte_order_mark[] = "\xEF\xBB\xBF";
constexpr size_t utf8_byte_order_mark_size = 3;
