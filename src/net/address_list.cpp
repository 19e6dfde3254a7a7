#include "net/address_list.h"

#include <cstring>

namespace {
constexpr int step_ms = 100;

void add_family(const addrinfo* found, int family, unsigned short port, std::vector<ResolvedAddress>& addresses) {
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
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

// Waits for a non-blocking connect to end: true when it connected.
bool wait_connected(SOCKET sock, const std::function<bool()>& still_wanted, int attempt_ms) {
    for (int waited = 0; waited < attempt_ms; waited += step_ms) {
        if (!still_wanted()) return false;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(sock, &writable);
        FD_SET(sock, &failed);
        timeval step{0, step_ms * 1000};
        const int ready = select(0, nullptr, &writable, &failed, &step);
        if (ready == SOCKET_ERROR) return false;
        if (ready > 0) return FD_ISSET(sock, &writable) && !FD_ISSET(sock, &failed);
    }
    return false;
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
                               int attempt_ms) {
    for (const ResolvedAddress& address : addresses) {
        if (!still_wanted()) break;
        SOCKET sock = socket(address.family(), SOCK_STREAM, IPPROTO_TCP);
        if (sock == INVALID_SOCKET) continue;
        u_long non_blocking = 1;
        ioctlsocket(sock, FIONBIO, &non_blocking);
        const int result = connect(sock, reinterpret_cast<const sockaddr*>(&address.address), address.length);
        const bool started = result == 0 || WSAGetLastError() == WSAEWOULDBLOCK;
        if (started && wait_connected(sock, still_wanted, attempt_ms)) {
            u_long blocking = 0;
            ioctlsocket(sock, FIONBIO, &blocking);
            return sock;
        }
        closesocket(sock);
    }
    return INVALID_SOCKET;
}
