#pragma once
#include <winsock2.h>

#include <cstddef>
#include <string>

// Blocking I/O on one transfer connection. Every call gives up on an error,
// on the peer closing, or after transfer::idle_timeout_ms without progress.

// Sets the idle timeout for receiving and sending.
void set_transfer_timeouts(SOCKET socket);

bool send_all(SOCKET socket, const char* bytes, size_t length);
inline bool send_text(SOCKET socket, const char* text) { return send_all(socket, text, std::char_traits<char>::length(text)); }

// One receive of at most `limit` bytes: the bytes, or empty when the
// connection ended (closed, failed or timed out).
std::string receive_once(SOCKET socket, size_t limit);

// One receive into `buffer`: the count, or 0 when the connection ended.
size_t receive_some(SOCKET socket, char* buffer, size_t limit);

// Closes without waiting for unsent data; nothing for an invalid socket.
void close_socket(SOCKET& socket);
