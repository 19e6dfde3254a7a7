#pragma once
#include <winsock2.h>

#include <atomic>
#include <cstddef>
#include <string>

// I/O on one transfer connection, used only by the thread that owns the
// socket. Every call is overlapped and waited for a tenth of a second at a
// time: a stop is seen that soon even where shutting the socket down does not
// wake a waiting call, and no other thread ever has to close a handle that
// its owner may still be using.

// How long the peer may take. Zero switches a rule off.
struct LinkPace {
    unsigned idle_ms = 0;        // no byte either way for this long: gone
    unsigned long long deadline_ms = 0;  // the whole connection (extend_deadline adds)
    unsigned min_rate = 0;       // bytes received per second, judged over each window
    // Also when the bytes still owed (expect_bytes) are weighed against the
    // deadline at the window's rate.
    unsigned rate_window_ms = 0;
};

// Why a connection ended.
enum class LinkEnd { open, closed, stopped, idle, too_slow, deadline };

class TransferLink {
public:
    TransferLink(SOCKET socket, const std::atomic<bool>& stop, const LinkPace& pace);
    ~TransferLink();
    TransferLink(const TransferLink&) = delete;
    TransferLink& operator=(const TransferLink&) = delete;

    bool send_all(const char* bytes, size_t length);
    bool send_text(const char* text) { return send_all(text, std::char_traits<char>::length(text)); }

    // One receive into `buffer`, waiting for at least a byte: the count, or 0
    // when the connection ended (end() says why).
    size_t receive_some(char* buffer, size_t limit);
    // The same as text: the bytes, or empty when the connection ended.
    std::string receive_once(size_t limit);
    // Bytes that can be read without waiting.
    size_t waiting_bytes() const;

    void extend_deadline(unsigned long long ms) { deadline_ms_ += ms; }
    // The peer owes this many bytes from now on (each receive pays some off):
    // at the end of a rate window, a peer that cannot send them before the
    // deadline at that window's rate has ended as if the deadline had come.
    void expect_bytes(unsigned long long count) { owed_ = count; }
    // After a long piece of work of our own (decrypting), during which the
    // peer had nothing to send.
    void restart_rate_window();

    LinkEnd end() const { return end_; }

private:
    bool within_limits();
    bool judge_window(unsigned long long now);
    size_t transfer_once(bool sending, char* bytes, size_t length);
    bool give_up(LinkEnd why);

    SOCKET socket_;
    HANDLE event_ = nullptr;
    const std::atomic<bool>& stop_;
    LinkPace pace_;
    unsigned long long deadline_ms_;
    unsigned long long started_, last_progress_, window_start_;
    unsigned long long window_bytes_ = 0;
    unsigned long long owed_ = 0;
    LinkEnd end_ = LinkEnd::open;
};

// Closes without waiting for unsent data; nothing for an invalid socket.
// Only the socket's owner calls it.
void close_socket(SOCKET& socket);
