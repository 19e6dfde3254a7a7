#pragma once
#include <winsock2.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/wire_text.h"
#include "net/line_reader.h"
#include "net/send_queue.h"

class TlsChannel;

// An open socket handle that closes with its last holder. Whoever may still
// call into the socket holds it: a handle value is never closed (and then
// reused by the system for another connection) while a thread can still send
// or read on it. Its lines leave through its queue, sent by a writer thread of
// its own, so that no sender ever waits for the server to read.
class OpenSocket {
public:
    OpenSocket(SOCKET handle, unsigned number);
    // Stops the writer (within one short step) before the handle closes.
    ~OpenSocket();
    OpenSocket(const OpenSocket&) = delete;
    OpenSocket& operator=(const OpenSocket&) = delete;
    const SOCKET handle;
    // The connection's number (ServerSocket::opened when it was made).
    const unsigned number;
    // Cleared when it is closed: every wait on it ends within a step.
    std::atomic<int> up{1};
    // Set, before the first line is queued, on a connection that speaks TLS:
    // every byte then goes through it, and nothing queued leaves before its
    // channel is open.
    std::unique_ptr<TlsChannel> tls;
    SendQueue queue;

    // Queues a line (CR LF included) and starts the writer if it is not running.
    void send(std::string bytes, SendPriority priority);

private:
    static unsigned long __stdcall write_all(void* self);
    std::mutex writer_lock_;
    HANDLE writer_ = nullptr;
};

// The one connection to the IRC server, shared by the user-interface thread
// (sends commands, closes) and the receive thread (reads, answers, closes).
struct ServerSocket {
    std::atomic<int> connected{0};
    // The handle the receive thread reads; it holds the connection meanwhile.
    SOCKET sock = INVALID_SOCKET;
    const wchar_t* host = nullptr;  // owned by the caller of connect_to_server
    unsigned short port = 0;

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

// True for the first caller on each connection, false for every repeat: the
// connection is the calling thread's own (bind_thread_to_connection), else the
// latest one opened.
bool claim_registration(ServerSocket& server);

// The number of that connection.
unsigned connection_number(const ServerSocket& server);

// The receive loop's connection: while bound, the calling thread's sends and
// closes go to it, never to a later connection (null unbinds). The caller
// holds the connection for as long as it is bound.
void bind_thread_to_connection(OpenSocket* open);

// Makes a connected socket (of open_server_connection) the server's current
// connection, numbered `number`, unless `still_wanted` says otherwise (checked
// under the same lock as a close). Null when it was not wanted: the socket is
// then closed.
std::shared_ptr<OpenSocket> publish_connection(ServerSocket& server, SOCKET sock, unsigned number,
                                               std::unique_ptr<TlsChannel> tls,
                                               const std::function<bool()>& still_wanted);

// Closes `open`, and the server's current connection too when it is that one.
void close_connection(ServerSocket& server, OpenSocket& open);

// Waits up to `timeout_ms` until the PONG and QUIT lines queued so far on the
// current connection have left; at once when there is none.
bool wait_urgent_lines_sent(ServerSocket& server, unsigned timeout_ms);

// True when the calling thread's connection, or else the current one, is up
// and its queue can spare a line (SendQueue::can_spare_line).
bool can_spare_line(ServerSocket& server);

// Called with the number of lines that wait on a connection whenever it
// changes (any thread).
void set_send_backlog_observer(void (*observer)(size_t waiting));

// Starts Winsock 2.2; shows "Winsock error" and returns false when unavailable.
bool start_network();

// Resolves (IPv4) and connects, blocking until the connect ends; for tools and
// tests (the program connects on its receive thread, open_server_connection).
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

// Queues the text and CR LF on the calling thread's connection, or else the
// current one, and returns at once. Returns the number of text bytes queued,
// or SOCKET_ERROR when the connection is not up (nothing is sent).
int send_line(const wchar_t* text, ServerSocket& server, SendPriority priority = SendPriority::normal);

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

// Whether bytes wait on the connection, read by nobody yet: on its socket,
// or in its TLS channel.
bool bytes_waiting(const OpenSocket& open);
