#pragma once
#include <string>

class ChatClient;

// A connection that replaces one that was lost often finds its own nickname
// still held by the ghost of the old connection, until the server notices the
// old one is gone. Such a connection answers "nickname in use" during
// registration with an alternative instead of ending; any other keeps the
// plain rule (the connection ends).

// Alternatives tried on one connection before it gives up and ends.
constexpr int alternative_nickname_tries = 3;

// The usual IRC alternative: an underscore after the name; a name of nine
// characters or more (the smallest length servers must accept) keeps its
// length and turns its last character that is not yet one into an underscore.
// Empty when nothing is left to turn.
std::wstring alternative_nickname(const std::wstring& refused);

// User-interface thread, before connecting: the connection that will carry
// number `connection` (ServerSocket::opened once it is open) may use alternatives.
void offer_alternative_nicknames(unsigned connection);

// Receive thread, on "nickname in use": sends NICK with an alternative to
// `refused` and returns true when this connection may still use one; false
// when the connection is to end as usual.
bool try_alternative_nickname(ChatClient& client, const std::wstring& refused);
