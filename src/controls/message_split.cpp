#include "controls/message_split.h"

#include <windows.h>

#include "app/wire_text.h"
#include "crypto/message_crypto.h"
#include "net/server_socket.h"

namespace {
constexpr size_t line_limit = 512;  // with CR LF
constexpr size_t line_end = 2;
constexpr size_t longest_host = 63;
constexpr size_t ident_mark = 1;  // the "~" servers put before an unverified user name
constexpr size_t random_prefix = 16;
constexpr size_t cipher_block = 16;

size_t line_bytes(const std::wstring& text) {
    return wire_bytes(text.c_str()).size();
}

size_t code_page_bytes_of(const wchar_t* unit, int length, unsigned code_page) {
    const int bytes = WideCharToMultiByte(code_page, 0, unit, length, nullptr, 0, nullptr, nullptr);
    return bytes > 0 ? static_cast<size_t>(bytes) : 1;
}
}  // namespace

size_t message_room(const std::wstring& nickname, const std::wstring& username, const std::wstring& target) {
    // ":" nick "!" user "@" host " " "PRIVMSG " target " :" text CR LF
    const size_t prefix = 1 + line_bytes(nickname) + 1 + ident_mark + line_bytes(username) + 1 + longest_host + 1;
    const size_t command = 8 + line_bytes(target) + 2;
    const size_t used = prefix + command + line_end;
    return used < line_limit ? line_limit - used : 0;
}

size_t encrypted_text_room(size_t room) {
    if (room <= encrypted_message_tag_length) return 0;
    // The block is the random prefix and the text, padded to whole cipher
    // blocks (always at least one byte of padding), two digits a byte.
    const size_t blocks = (room - encrypted_message_tag_length) / (2 * cipher_block);
    const size_t plain = blocks * cipher_block;
    return plain > random_prefix + 1 ? plain - random_prefix - 1 : 0;
}

std::vector<std::wstring> split_message(const std::wstring& text, size_t room, unsigned code_page) {
    std::vector<std::wstring> parts;
    if (room == 0) return parts;
    // Text the code page holds goes out in it, and so does every part of it.
    // Other text is weighed as UTF-8: a part of it that the code page holds
    // after all goes out in the code page, in as many bytes or fewer.
    const bool in_code_page = code_page_holds(text, code_page);
    std::wstring part;
    size_t part_bytes = 0;
    size_t last_space = std::wstring::npos, bytes_to_space = 0;
    for (size_t i = 0; i < text.size();) {
        const int length = IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1]) ? 2 : 1;
        const size_t bytes = in_code_page ? code_page_bytes_of(&text[i], length, code_page)
                                          : utf8_size(&text[i], static_cast<size_t>(length));
        if (part_bytes + bytes > room && !part.empty()) {
            size_t keep = part.size(), skip = part.size(), skip_bytes = part_bytes;
            if (last_space != std::wstring::npos && last_space > 0 && last_space + 1 > part.size() / 2) {
                // Servers trim spaces at a line's end: the space the part
                // ends at is left out rather than lost on the way.
                keep = last_space;
                skip = last_space + 1;
                skip_bytes = bytes_to_space;
            }
            parts.push_back(part.substr(0, keep));
            part.erase(0, skip);
            part_bytes -= skip_bytes;
            last_space = std::wstring::npos;  // it was the part's last space
            continue;  // the character is weighed again against the new part
        }
        part.append(text, i, static_cast<size_t>(length));
        part_bytes += bytes;
        if (text[i] == L' ') {
            last_space = part.size() - 1;
            bytes_to_space = part_bytes;
        }
        i += static_cast<size_t>(length);
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}
