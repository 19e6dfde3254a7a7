#pragma once
#include <winsock2.h>

#include <atomic>
#include <string>

class ChatClient;

// Serves one accepted connection on the thread that owns it: answers each
// marker "OK" and takes each announced file into Downloads\, then decrypts it.
// Returns when the peer ends, misbehaves, breaks the receiver's limits
// (receiver_limits.h, taken on entry) or `stop` is set, which every wait
// notices within a tenth of a second. The caller closes the socket.
void serve_transfer_connection(ChatClient& client, SOCKET connection, const std::atomic<bool>& stop);

// Whether a received name may be written: a plain file name (app/file_names.h)
// ending in ".zof" whose name without that ending is plain too. `wide` gets
// the name in UTF-16 (from the thread's code page).
bool acceptable_received_name(const std::string& bytes, std::wstring& wide);
