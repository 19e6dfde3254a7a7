#include "net/connect_step.h"

#include <windows.h>
#include <ws2tcpip.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/text.h"
#include "app/wire_text.h"
#include "net/socket_waits.h"

namespace {
constexpr DWORD lookup_check_ms = socket_check_us / 1000;

// A name lookup cannot be interrupted: it runs on a thread of its own, which a
// waiter that no longer wants the answer simply leaves to finish alone.
struct Lookup {
    std::string name;
    std::mutex lock;
    std::vector<sockaddr_in> addresses;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~Lookup() {
        if (done) CloseHandle(done);
    }
};

DWORD WINAPI lookup_main(void* parameter) {
    std::unique_ptr<std::shared_ptr<Lookup>> holder(static_cast<std::shared_ptr<Lookup>*>(parameter));
    Lookup& lookup = **holder;
    addrinfo hints{};
    hints.ai_family = AF_INET;  // only IPv4 results: the address is used as one
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(lookup.name.c_str(), nullptr, &hints, &found) == 0) {
        std::lock_guard<std::mutex> guard(lookup.lock);
        for (const addrinfo* entry = found; entry; entry = entry->ai_next)
            if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in))
                lookup.addresses.push_back(*reinterpret_cast<const sockaddr_in*>(entry->ai_addr));
    }
    if (found) freeaddrinfo(found);
    SetEvent(lookup.done);
    return 0;
}

std::vector<sockaddr_in> resolve(const std::string& name, const std::function<bool()>& still_wanted) {
    auto lookup = std::make_shared<Lookup>();
    if (!lookup->done) return {};
    lookup->name = name;
    auto* holder = new std::shared_ptr<Lookup>(lookup);
    HANDLE thread = CreateThread(nullptr, 0, lookup_main, holder, 0, nullptr);
    if (!thread) {
        delete holder;
        return {};
    }
    CloseHandle(thread);
    while (WaitForSingleObject(lookup->done, lookup_check_ms) == WAIT_TIMEOUT)
        if (!still_wanted()) return {};
    std::lock_guard<std::mutex> guard(lookup->lock);
    return lookup->addresses;
}

bool wait_connected(SOCKET sock, const std::function<bool()>& still_wanted) {
    const ULONGLONG deadline = GetTickCount64() + address_connect_limit_ms;
    while (still_wanted() && GetTickCount64() < deadline) {
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(sock, &writable);
        FD_SET(sock, &failed);
        timeval wait{0, socket_check_us};
        const int ready = select(0, nullptr, &writable, &failed, &wait);
        if (ready == SOCKET_ERROR || FD_ISSET(sock, &failed)) return false;
        if (ready == 0) continue;
        int error = 0;
        int length = sizeof error;
        return getsockopt(sock, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
    }
    return false;
}

SOCKET connect_address(sockaddr_in address, unsigned short port, const std::function<bool()>& still_wanted) {
    SOCKET sock = socket(AF_INET, SOCK_STREAM, 0);
    if (sock == INVALID_SOCKET) return INVALID_SOCKET;
    u_long non_blocking = 1;
    address.sin_port = htons(port);
    const bool started =
        ioctlsocket(sock, FIONBIO, &non_blocking) == 0 &&
        (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ||
         WSAGetLastError() == WSAEWOULDBLOCK);
    if (started && wait_connected(sock, still_wanted)) return sock;
    closesocket(sock);
    return INVALID_SOCKET;
}
}  // namespace

SOCKET open_server_connection(const wchar_t* host, unsigned short port, const std::function<bool()>& still_wanted) {
    if (!host || !code_page_holds(host, wcslen(host), CP_ACP)) return INVALID_SOCKET;
    const std::string name = narrow_text(host, CP_ACP);
    if (name.empty() || name.size() > 62) return INVALID_SOCKET;
    for (const sockaddr_in& address : resolve(name, still_wanted)) {
        if (!still_wanted()) break;
        const SOCKET sock = connect_address(address, port, still_wanted);
        if (sock != INVALID_SOCKET) return sock;
    }
    return INVALID_SOCKET;
}
