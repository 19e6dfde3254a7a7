#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Long messages go out as several PRIVMSG lines: a server drops a client that
// sends a line over 512 bytes, or cuts the line (and an encrypted block cut
// short never decrypts).

// Bytes of message text one PRIVMSG to `target` may carry so that the line
// as the server relays it to others, ":nick!~user@host PRIVMSG target :text"
// and CR LF, fits 512 bytes. The host is unknown to the sender: the longest a
// server gives is assumed. 0 when not even that prefix fits.
size_t message_room(const std::wstring& nickname, const std::wstring& username, const std::wstring& target);

// Bytes of text whose encrypted form (tag and hexadecimal block) fits
// `room` bytes; 0 when none fits.
size_t encrypted_text_room(size_t room);

// Splits `text` into parts of at most `room` bytes each as encode_wire_text
// makes them from `code_page`, never inside a character (a surrogate pair
// stays whole, so no UTF-8 sequence is cut). A part ends at a space when one
// stands in its second half, and that space is left out (a server trims it
// from the line's end); elsewhere the parts are cut where they are full.
// Empty for room 0.
std::vector<std::wstring> split_message(const std::wstring& text, size_t room, unsigned code_page);

// Longer messages are refused rather than flooding the server with parts.
constexpr size_t longest_message = 4096;
