#pragma once
#include <winsock2.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "app/wire_text.h"
#include "net/line_reader.h"

class TlsChannel;

// An open socket handle that closes with its last holder. Whoever may still
// call into the socket holds it: a handle value is never closed (and then
// reused by the system for another connection) while a thread can still send
// or read on it.
class OpenSocket {
public:
    explicit OpenSocket(SOCKET handle);
    ~OpenSocket();
    OpenSocket(const OpenSocket&) = delete;
    OpenSocket& operator=(const OpenSocket&) = delete;
    const SOCKET handle;
    // Set, before the receive thread starts, on a connection that speaks TLS:
    // every byte then goes through it.
    std::unique_ptr<TlsChannel> tls;
};

// The one connection to the IRC server, shared by the user-interface thread
// (sends commands, closes) and the receive thread (reads, answers, closes).
struct ServerSocket {
    std::atomic<int> connected{0};
    // The handle the receive thread reads; it holds the connection meanwhile.
    SOCKET sock = INVALID_SOCKET;
    const wchar_t* host = nullptr;  // owned by the caller of connect_to_server
    unsigned short port = 0;

    std::mutex send_lock;  // a line and its CR LF leave as one unit
    LineReader reader;     // read only by the receive thread

    // The connection while it is up; null once closed.
    std::mutex open_lock;
    std::shared_ptr<OpenSocket> open;

    // Connections opened so far, and the last of them whose registration was
    // completed: a server repeating its end-of-welcome reply must not start
    // the work of registering again.
    std::atomic<unsigned> opened{0};
    std::atomic<unsigned> registered{0};
};

// True for the first caller on each connection, false for every repeat.
bool claim_registration(ServerSocket& server);

// Starts Winsock 2.2; shows "Winsock error" and returns false when unavailable.
bool start_network();

// Resolves (IPv4) and connects; blocks until the connect ends.
bool connect_to_server(ServerSocket& server, const wchar_t* host, unsigned short port);

// Clears `connected` and shuts the socket down both ways, which ends every
// read and send on it; the handle itself closes when its last holder lets go.
// Nothing when it is not connected (another thread closed it first).
void close_connection(ServerSocket& server);

// Makes the connection just opened a TLS one for `host` (the name typed, which
// the certificate must carry): nothing is sent on it until its handshake is
// done and its channel opened (see TlsChannel). False when it is not up.
bool use_tls(ServerSocket& server, const std::wstring& host);

// A hold on the connection while it is up (null when it is not): the handle
// stays open, and is not given to another connection, until it is let go.
std::shared_ptr<OpenSocket> hold_connection(ServerSocket& server);

// A line's bytes on the wire: the system's ANSI code page when it holds the
// text, else UTF-8 (see app/wire_text.h).
std::string wire_bytes(const wchar_t* text);

// Sends the text and CR LF in one write under the send lock. Returns the
// number of text bytes written, or SOCKET_ERROR (also when the connection is
// not up: nothing is sent).
int send_line(const wchar_t* text, ServerSocket& server);

// Reads one line into `line` (its storage reused); returns its length in wide
// characters including the terminating zero (1 for an empty line or a closed
// connection, 0 for bytes that do not convert). The bytes are read as UTF-8 or
// in the code page by decode_wire_text; `form` says which.
int receive_line(ServerSocket& server, std::wstring& line, TextForm* form = nullptr);

// The same through a reader and socket handle of the caller's own, while `up`
// says the connection is open: the receive loop keeps its own reader and holds
// its handle, so that a later connection never changes what an ending loop reads.
int receive_line(LineReader& reader, SOCKET sock, const std::atomic<int>& up, std::wstring& line,
                 TextForm* form = nullptr);

// The same on a held connection, through its TLS channel when it has one.
int receive_line(LineReader& reader, const OpenSocket& open, const std::atomic<int>& up, std::wstring& line,
                 TextForm* form = nullptr);
