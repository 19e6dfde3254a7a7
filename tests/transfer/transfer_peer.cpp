#include "transfer_peer.h"

#include "support/file_bytes.h"
#include "support/loopback.h"

#include <commctrl.h>

#include <cstdio>

namespace peer {

SOCKET connect_local(unsigned short port, const char* from) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in own = loopback_address(0), far_end = loopback_address(port);
    own.sin_addr.s_addr = inet_addr(from);
    if (bind(s, reinterpret_cast<sockaddr*>(&own), sizeof own) != 0 ||
        connect(s, reinterpret_cast<sockaddr*>(&far_end), sizeof far_end) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    DWORD timeout = 10000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    return s;
}

std::string send_unit(SOCKET socket, const std::string& unit) {
    if (send(socket, unit.data(), static_cast<int>(unit.size()), 0) != static_cast<int>(unit.size())) return {};
    char reply[32];
    const int got = recv(socket, reply, sizeof reply, 0);
    return got > 0 ? std::string(reply, static_cast<size_t>(got)) : std::string();
}

bool closed_by_other_side(SOCKET socket, int timeout_ms) {
    DWORD timeout = static_cast<DWORD>(timeout_ms);
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    char byte;
    const int got = recv(socket, &byte, 1, 0);
    return got == 0 || (got < 0 && WSAGetLastError() != WSAETIMEDOUT);
}

bool send_file(unsigned short port, const std::string& name, const std::string& content,
               const std::vector<std::string>& extra_markers, const char* from) {
    SOCKET s = connect_local(port, from);
    if (s == INVALID_SOCKET) return false;
    bool ok = true;
    for (const std::string& marker : extra_markers) ok = ok && send_unit(s, marker) == "OK";
    ok = ok && send_unit(s, "File_send") == "OK" && send_unit(s, name) == "OK" &&
         send_unit(s, std::to_string(content.size())) == "OK";
    for (size_t at = 0; ok && at < content.size(); at += 1024) ok = send_unit(s, content.substr(at, 1024)) == "OK";
    ok = ok && send_unit(s, "End_connection") == "OK";
    closesocket(s);
    return ok;
}

Trickler::Trickler(unsigned short port, const std::string& name, unsigned long long size, size_t step,
                   int interval_ms, const char* from) {
    socket_ = connect_local(port, from);
    if (socket_ == INVALID_SOCKET) return;
    announced_ = send_unit(socket_, "File_send") == "OK" && send_unit(socket_, name) == "OK" &&
                 send_unit(socket_, std::to_string(size)) == "OK";
    if (announced_) thread_ = std::thread(&Trickler::trickle, this, step, interval_ms);
}

Trickler::~Trickler() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool Trickler::wait_cut(int timeout_ms) {
    return wait_until([&] { return cut_.load(); }, timeout_ms);
}

void Trickler::trickle(size_t step, int interval_ms) {
    const std::string bytes(step, 't');
    while (!stop_) {
        if (send(socket_, bytes.data(), static_cast<int>(step), 0) != static_cast<int>(step)) break;
        // Waits out the whole interval while watching for answers and the end.
        const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(interval_ms);
        for (ULONGLONG now; !stop_ && (now = GetTickCount64()) < until;) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(socket_, &readable);
            timeval interval{static_cast<long>((until - now) / 1000), static_cast<long>((until - now) % 1000 * 1000)};
            char answers[4096];
            if (select(0, &readable, nullptr, nullptr, &interval) > 0 && recv(socket_, answers, sizeof answers, 0) <= 0)
                return void(cut_ = !stop_);
        }
    }
    if (!stop_) cut_ = true;
}

Receiver::Receiver() {
    listener_ = listen_on_loopback(1, port_);
    thread_ = CreateThread(
        nullptr, 0, [](void* self) -> DWORD { static_cast<Receiver*>(self)->serve(); return 0; }, this, 0, nullptr);
}

Receiver::~Receiver() {
    closesocket(listener_);
    if (thread_) {
        WaitForSingleObject(thread_, 20000);
        CloseHandle(thread_);
    }
}

bool Receiver::wait(int timeout_ms) {
    return wait_until([&] { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; }, timeout_ms) && complete_;
}

void Receiver::serve() {
    SOCKET s = accept(listener_, nullptr, nullptr);
    if (s == INVALID_SOCKET) return;
    DWORD timeout = 15000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    auto receive_once = [&](size_t limit) {
        std::string bytes(limit, '\0');
        const int got = recv(s, &bytes[0], static_cast<int>(limit), 0);
        bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
        return bytes;
    };
    auto answer = [&] { return send(s, "OK", 2, 0) == 2; };
    for (;;) {
        const std::string marker = receive_once(32);
        if (marker.empty() || !answer()) break;
        if (marker == "End_connection") {
            complete_ = !name.empty();
            break;
        }
        if (marker != "File_send") continue;
        name = receive_once(128);
        if (name.empty() || !answer()) break;
        size_text = receive_once(32);
        if (size_text.empty() || !answer()) break;
        long long remaining = std::atoll(size_text.c_str());
        while (remaining > 0) {
            const size_t n = remaining < 1024 ? static_cast<size_t>(remaining) : 1024;
            std::string chunk;
            while (chunk.size() < n) {
                std::string more = receive_once(n - chunk.size());
                if (more.empty()) break;
                chunk += more;
            }
            if (chunk.size() < n || !answer()) break;
            content += chunk;
            ++chunks;
            remaining -= 1024;
        }
        if (remaining > 0) break;
    }
    closesocket(s);
}

}  // namespace peer

std::vector<std::wstring> files_in(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::string pattern_bytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned x = seed * 2654435761u + 7;
    for (char& b : bytes) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b = static_cast<char>(x);
    }
    return bytes;
}
