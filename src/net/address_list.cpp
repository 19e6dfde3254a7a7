#include "net/address_list.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

namespace {
constexpr int step_ms = 100;
// Addresses kept of each family: a name with hundreds of them must not open
// hundreds of sockets at once (nor more than a select can watch).
constexpr size_t most_per_family = 8;

void add_family(const addrinfo* found, int family, unsigned short port, std::vector<ResolvedAddress>& addresses) {
    const size_t limit = addresses.size() + most_per_family;
    for (const addrinfo* entry = found; entry && addresses.size() < limit; entry = entry->ai_next) {
        if (entry->ai_family != family || entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
        ResolvedAddress address;
        memcpy(&address.address, entry->ai_addr, entry->ai_addrlen);
        address.length = static_cast<int>(entry->ai_addrlen);
        if (family == AF_INET6) reinterpret_cast<sockaddr_in6*>(&address.address)->sin6_port = htons(port);
        else reinterpret_cast<sockaddr_in*>(&address.address)->sin_port = htons(port);
        bool repeated = false;
        for (const ResolvedAddress& known : addresses)
            repeated = repeated || (known.length == address.length && memcmp(&known.address, &address.address, address.length) == 0);
        if (!repeated) addresses.push_back(address);
    }
}

// Starts a non-blocking connect; INVALID_SOCKET when it failed at once (a
// family that is not routed), so the next address goes at once.
SOCKET start_connect(const ResolvedAddress& address) {
    SOCKET sock = socket(address.family(), SOCK_STREAM, IPPROTO_TCP);
    if (sock == INVALID_SOCKET) return INVALID_SOCKET;
    u_long non_blocking = 1;
    const bool started =
        ioctlsocket(sock, FIONBIO, &non_blocking) == 0 &&
        (connect(sock, reinterpret_cast<const sockaddr*>(&address.address), address.length) == 0 ||
         WSAGetLastError() == WSAEWOULDBLOCK);
    if (started) return sock;
    closesocket(sock);
    return INVALID_SOCKET;
}

bool connect_succeeded(SOCKET sock) {
    int error = 0;
    int length = sizeof error;
    return getsockopt(sock, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
}

void close_all(std::vector<SOCKET>& sockets) {
    for (SOCKET sock : sockets) closesocket(sock);
    sockets.clear();
}
}  // namespace

std::string bare_host(const std::string& host) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
    return host;
}

bool resolve_addresses(const std::string& host, unsigned short port, std::vector<ResolvedAddress>& addresses,
                       int& error) {
    addresses.clear();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    error = getaddrinfo(bare_host(host).c_str(), nullptr, &hints, &found);
    if (error != 0 || !found) return false;
    add_family(found, AF_INET6, port, addresses);
    add_family(found, AF_INET, port, addresses);
    freeaddrinfo(found);
    return !addresses.empty();
}

SOCKET connect_first_reachable(const std::vector<ResolvedAddress>& addresses, const std::function<bool()>& still_wanted,
                               int stagger_ms, int limit_ms) {
    std::vector<SOCKET> pending;
    size_t next = 0;
    ULONGLONG last_start = 0, deadline = 0;
    for (;;) {
        if (!still_wanted()) break;
        const ULONGLONG now = GetTickCount64();
        // The next address starts beside the ones still waiting once they have
        // had their head start, or at once when none is waiting.
        while (next < addresses.size() && (pending.empty() || now - last_start >= static_cast<ULONGLONG>(stagger_ms))) {
            const SOCKET sock = start_connect(addresses[next++]);
            if (sock == INVALID_SOCKET) continue;
            pending.push_back(sock);
            last_start = now;
            deadline = now + static_cast<ULONGLONG>(limit_ms);
            break;
        }
        if (pending.empty() && next >= addresses.size()) break;
        if (pending.empty()) continue;
        if (now >= deadline) break;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        for (SOCKET sock : pending) {
            FD_SET(sock, &writable);
            FD_SET(sock, &failed);
        }
        timeval step{0, step_ms * 1000};
        if (select(0, nullptr, &writable, &failed, &step) == SOCKET_ERROR) break;
        for (size_t at = 0; at < pending.size();) {
            const SOCKET sock = pending[at];
            const bool lost = FD_ISSET(sock, &failed) != 0;
            if (!lost && FD_ISSET(sock, &writable) && connect_succeeded(sock)) {
                pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(at));
                close_all(pending);
                return sock;
            }
            if (lost || FD_ISSET(sock, &writable)) {
                closesocket(sock);
                pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(at));
                // A refusal hands over to the next address without waiting.
                last_start = 0;
            } else {
                ++at;
            }
        }
    }
    close_all(pending);
    return INVALID_SOCKET;
}
