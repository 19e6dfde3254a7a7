#include "net/server_socket.h"

#include <ws2tcpip.h>

#include "app/text.h"
#include "app/hidden_characters.h"
#include "framework/message_box.h"
#include "net/tls_channel.h"

OpenSocket::OpenSocket(SOCKET handle) : handle(handle) {}

// The channel goes before the socket it speaks over.
OpenSocket::~OpenSocket() {
    tls.reset();
    closesocket(handle);
}

bool start_network() {
    WSADATA data;
    int result = WSAStartup(MAKEWORD(2, 2), &data);
    bool ok = result == 0 && LOBYTE(data.wVersion) == 2 && HIBYTE(data.wVersion) == 2;
    if (!ok) {
        if (result == 0) WSACleanup();
        show_message_box(nullptr, L"Your system doesn't support the required Winsock version.", L"Winsock error",
                         MB_OK | MB_ICONWARNING);
    }
    return ok;
}

bool connect_to_server(ServerSocket& server, const wchar_t* host, unsigned short port) {
    server.host = host;
    server.port = port;
    // A name that does not fit the 63-byte buffer is refused rather than cut,
    // and so is one the code page cannot spell: either would connect to some
    // other host.
    if (!host || !code_page_holds(host, wcslen(host), CP_ACP)) return false;
    std::string name = narrow_text(host, CP_ACP);
    if (name.empty() || name.size() > 62) return false;

    // A failed attempt keeps no socket open.
    SOCKET sock = socket(AF_INET, SOCK_STREAM, 0);
    if (sock == INVALID_SOCKET) return false;

    addrinfo hints{};
    hints.ai_family = AF_INET;  // only IPv4 results: the address is used as one
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) {
        closesocket(sock);
        return false;
    }
    sockaddr_in address = *reinterpret_cast<sockaddr_in*>(found->ai_addr);
    freeaddrinfo(found);
    address.sin_port = htons(port);
    if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(sock);
        return false;
    }
    server.reader.reset();
    server.sock = sock;
    {
        std::lock_guard<std::mutex> guard(server.open_lock);
        server.open = std::make_shared<OpenSocket>(sock);
    }
    ++server.opened;
    server.connected = 1;
    return true;
}

bool use_tls(ServerSocket& server, const std::wstring& host) {
    std::lock_guard<std::mutex> guard(server.open_lock);
    if (!server.connected || !server.open) return false;
    server.open->tls = std::make_unique<TlsChannel>(host);
    return true;
}

std::shared_ptr<OpenSocket> hold_connection(ServerSocket& server) {
    std::lock_guard<std::mutex> guard(server.open_lock);
    return server.connected ? server.open : nullptr;
}

bool claim_registration(ServerSocket& server) {
    const unsigned connection = server.opened;
    return server.registered.exchange(connection) != connection;
}

void close_connection(ServerSocket& server) {
    std::shared_ptr<OpenSocket> last;
    {
        std::lock_guard<std::mutex> guard(server.open_lock);
        server.connected = 0;
        if (!server.open) return;
        // The shutdown wakes a thread blocked in a read or a send; the thread
        // still holding the handle closes it when it lets go.
        shutdown(server.open->handle, SD_BOTH);
        last.swap(server.open);
    }
}

std::string wire_bytes(const wchar_t* text) {
    return text ? encode_wire_text(text, wcslen(text), CP_ACP) : std::string();
}

int send_line(const wchar_t* text, ServerSocket& server) {
    std::string bytes = wire_bytes(text);
    const int text_length = static_cast<int>(bytes.size());
    bytes += "\r\n";
    const std::shared_ptr<OpenSocket> held = hold_connection(server);
    if (!held) return SOCKET_ERROR;
    std::lock_guard<std::mutex> guard(server.send_lock);
    if (held->tls) return held->tls->send_all(held->handle, bytes.data(), bytes.size()) ? text_length : SOCKET_ERROR;
    // One write holds text and terminator; a short write is completed so that
    // the next line never starts inside this one.
    size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(held->handle, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n == SOCKET_ERROR) return sent == 0 ? SOCKET_ERROR : static_cast<int>(sent < size_t(text_length) ? sent : text_length);
        sent += static_cast<size_t>(n);
    }
    return text_length;
}

namespace {
// How often a read waiting for the server looks whether the connection was
// closed: a shutdown does not wake a blocked read on every system.
constexpr long closed_check_us = 200000;

struct ReadSource {
    SOCKET sock;
    const std::atomic<int>& up;
    TlsChannel* tls = nullptr;
};

int read_server(void* source, char* data, int size) {
    const ReadSource& from = *static_cast<const ReadSource*>(source);
    if (from.tls) return from.tls->read(from.sock, from.up, data, size);
    for (;;) {
        if (!from.up) return 0;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(from.sock, &readable);
        timeval wait{0, closed_check_us};
        if (select(0, &readable, nullptr, nullptr, &wait) != 0) return recv(from.sock, data, size, 0);
    }
}

int read_one_line(LineReader& reader, ReadSource& source, std::wstring& line, TextForm* form) {
    std::string_view bytes = reader.read_line_view(read_server, &source);
    const TextForm read_as = decode_wire_text(bytes.data(), bytes.size(), CP_ACP, line);
    if (form) *form = read_as;
    if (!bytes.empty() && line.empty()) return 0;
    // Whatever a server or another user sends is shown as one line in its
    // own order: nobody can forge a line of someone else's below it.
    mark_line_breaks_and_bidi(line);
    return static_cast<int>(line.size()) + 1;
}
}  // namespace

int receive_line(ServerSocket& server, std::wstring& line, TextForm* form) {
    return receive_line(server.reader, server.sock, server.connected, line, form);
}

int receive_line(LineReader& reader, const OpenSocket& open, const std::atomic<int>& up, std::wstring& line,
                 TextForm* form) {
    ReadSource source{open.handle, up, open.tls.get()};
    return read_one_line(reader, source, line, form);
}

int receive_line(LineReader& reader, SOCKET sock, const std::atomic<int>& up, std::wstring& line, TextForm* form) {
    ReadSource source{sock, up};
    return read_one_line(reader, source, line, form);
}
