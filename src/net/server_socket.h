#pragma once
#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>

#include "net/line_reader.h"

// The one connection to the IRC server, shared by the user-interface thread
// (sends commands, closes) and the receive thread (reads, answers, closes).
struct ServerSocket {
    std::atomic<int> connected{0};
    SOCKET sock = INVALID_SOCKET;
    const wchar_t* host = nullptr;  // owned by the caller of connect_to_server
    unsigned short port = 0;

    std::mutex send_lock;  // a line and its CR LF leave as one unit
    LineReader reader;     // read only by the receive thread
};

// Starts Winsock 2.2; shows "Winsock error" and returns false when unavailable.
bool start_network();

// Resolves (IPv4) and connects; blocks until the connect ends.
bool connect_to_server(ServerSocket& server, const wchar_t* host, unsigned short port);

// Clears `connected`, shuts the socket down both ways and closes it; nothing
// when it is not connected (another thread closed it first).
void close_connection(ServerSocket& server);

// The wire's code page (the system's ANSI code page).
std::string to_ansi(const wchar_t* text);

// Sends the text and CR LF in one write under the send lock. Returns the
// number of text bytes written, or SOCKET_ERROR.
int send_line(const wchar_t* text, ServerSocket& server);

// Reads one line into `line` (its storage reused); returns its length in wide
// characters including the terminating zero (1 for an empty line or a closed
// connection, 0 for bytes that do not convert).
int receive_line(ServerSocket& server, std::wstring& line);

// The same through a reader and socket handle of the caller's own: the receive
// loop keeps copies of both, so that a later connection never changes what an
// ending loop reads.
int receive_line(LineReader& reader, SOCKET sock, std::wstring& line);
