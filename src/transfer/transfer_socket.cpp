#include "transfer/transfer_socket.h"

#include <windows.h>

#include <algorithm>

namespace {
constexpr DWORD poll_ms = 100;
constexpr size_t largest_piece = 1u << 30;
}  // namespace

TransferLink::TransferLink(SOCKET socket, const std::atomic<bool>& stop, const LinkPace& pace)
    : socket_(socket), stop_(stop), pace_(pace), deadline_ms_(pace.deadline_ms) {
    // Overlapped calls on a blocking socket: each one either completes at
    // once or is waited for here.
    u_long non_blocking = 0;
    ioctlsocket(socket_, FIONBIO, &non_blocking);
    event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event_) end_ = LinkEnd::closed;
    started_ = last_progress_ = window_start_ = GetTickCount64();
}

TransferLink::~TransferLink() {
    if (event_) CloseHandle(event_);
}

bool TransferLink::give_up(LinkEnd why) {
    if (end_ == LinkEnd::open) end_ = why;
    return false;
}

void TransferLink::restart_rate_window() {
    window_start_ = last_progress_ = GetTickCount64();
    window_bytes_ = 0;
}

// Whether the peer may still take its time; checked before every call and
// during every wait, so a peer whose bytes never make us wait is held to the
// deadline as well.
bool TransferLink::within_limits() {
    if (stop_) return give_up(LinkEnd::stopped);
    const unsigned long long now = GetTickCount64();
    if (deadline_ms_ && now - started_ >= deadline_ms_) return give_up(LinkEnd::deadline);
    if (pace_.idle_ms && now - last_progress_ >= pace_.idle_ms) return give_up(LinkEnd::idle);
    if (pace_.rate_window_ms && now - window_start_ >= pace_.rate_window_ms && !judge_window(now)) return false;
    return true;
}

// At the end of a rate window: too slow by the rule, or too slow to send
// what is owed before the deadline; else a new window begins.
bool TransferLink::judge_window(unsigned long long now) {
    const unsigned long long window_ms = now - window_start_;
    if (window_bytes_ * 1000 < static_cast<unsigned long long>(pace_.min_rate) * window_ms)
        return give_up(LinkEnd::too_slow);
    if (deadline_ms_ && owed_) {
        const unsigned long long elapsed = now - started_;
        const unsigned long long left = deadline_ms_ > elapsed ? deadline_ms_ - elapsed : 0;
        // owed / (window_bytes / window_ms) > left, without a division; both
        // sides stay far below 2^64 (owed < 10^9, times of days in ms).
        if (owed_ * window_ms > left * window_bytes_) return give_up(LinkEnd::deadline);
    }
    window_start_ = now;
    window_bytes_ = 0;
    return true;
}

// One overlapped send or receive, waited for a tenth of a second at a time.
// A wait that must end cancels the call and waits for the cancellation, so
// the system is done with the buffer before it is returned.
size_t TransferLink::transfer_once(bool sending, char* bytes, size_t length) {
    if (end_ != LinkEnd::open || !within_limits()) return 0;
    WSABUF buffer{static_cast<ULONG>(std::min(length, largest_piece)), bytes};
    WSAOVERLAPPED overlapped{};
    overlapped.hEvent = event_;
    ResetEvent(event_);
    DWORD count = 0, flags = 0;
    const int started = sending ? WSASend(socket_, &buffer, 1, &count, 0, &overlapped, nullptr)
                                : WSARecv(socket_, &buffer, 1, &count, &flags, &overlapped, nullptr);
    if (started != 0) {
        if (WSAGetLastError() != WSA_IO_PENDING) return give_up(LinkEnd::closed);
        while (WaitForSingleObject(event_, poll_ms) == WAIT_TIMEOUT) {
            if (!within_limits()) {
                CancelIoEx(reinterpret_cast<HANDLE>(socket_), &overlapped);
                WSAGetOverlappedResult(socket_, &overlapped, &count, TRUE, &flags);
                return 0;
            }
        }
        if (!WSAGetOverlappedResult(socket_, &overlapped, &count, FALSE, &flags)) return give_up(LinkEnd::closed);
    }
    if (count == 0) return give_up(LinkEnd::closed);
    last_progress_ = GetTickCount64();
    if (!sending) {
        window_bytes_ += count;
        owed_ -= std::min<unsigned long long>(owed_, count);
    }
    return count;
}

bool TransferLink::send_all(const char* bytes, size_t length) {
    while (length) {
        // The system only reads from the buffer of a send.
        const size_t sent = transfer_once(true, const_cast<char*>(bytes), length);
        if (!sent) return false;
        bytes += sent;
        length -= sent;
    }
    return true;
}

size_t TransferLink::receive_some(char* buffer, size_t limit) { return transfer_once(false, buffer, limit); }

std::string TransferLink::receive_once(size_t limit) {
    std::string bytes(limit, '\0');
    bytes.resize(receive_some(&bytes[0], limit));
    return bytes;
}

size_t TransferLink::waiting_bytes() const {
    u_long waiting = 0;
    return ioctlsocket(socket_, FIONREAD, &waiting) == 0 ? waiting : 0;
}

void close_socket(SOCKET& socket) {
    if (socket == INVALID_SOCKET) return;
    closesocket(socket);
    socket = INVALID_SOCKET;
}
