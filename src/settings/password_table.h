#pragma once
#include <string>

class ChatClient;

// A copy of password slot `slot` (1 to 16), taken under password_lock so that
// it is never half old and half new; empty for a free slot or a bad number.
std::string stored_password(const ChatClient& client, int slot);

// The 8-bit form a password is kept in and derives keys from: one byte per
// character (latin1_bytes, the same on every machine), at most
// password_capacity - 1 bytes. Empty when the text holds a character that has
// no such byte.
std::string narrow_password(const wchar_t* text);

// Whether `text` has that 8-bit form; a password without it would be kept as
// a free slot, so the dialog refuses it instead.
bool is_storable_password(const std::wstring& text);
