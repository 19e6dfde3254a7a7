#include "net/server_socket.h"

#include <ws2tcpip.h>

#include "app/text.h"
#include "framework/message_box.h"

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
    // A name that does not fit the 63-byte buffer is refused rather than cut:
    // a cut name would connect to some other host.
    std::string name = to_ansi(host);
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
    server.connected = 1;
    return true;
}

void close_connection(ServerSocket& server) {
    // Only the first of two threads closing at once closes: a handle closed
    // twice may by then belong to another socket.
    if (server.connected.exchange(0) == 0) return;
    shutdown(server.sock, SD_BOTH);
    closesocket(server.sock);
}

std::string to_ansi(const wchar_t* text) {
    return narrow_text(text, CP_ACP);
}

int send_line(const wchar_t* text, ServerSocket& server) {
    std::string bytes = to_ansi(text);
    const int text_length = static_cast<int>(bytes.size());
    bytes += "\r\n";
    std::lock_guard<std::mutex> guard(server.send_lock);
    // One write holds text and terminator; a short write is completed so that
    // the next line never starts inside this one.
    size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(server.sock, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n == SOCKET_ERROR) return sent == 0 ? SOCKET_ERROR : static_cast<int>(sent < size_t(text_length) ? sent : text_length);
        sent += static_cast<size_t>(n);
    }
    return text_length;
}

namespace {
int read_socket(void* source, char* data, int size) {
    return recv(*static_cast<SOCKET*>(source), data, size, 0);
}
}  // namespace

int receive_line(ServerSocket& server, std::wstring& line) {
    return receive_line(server.reader, server.sock, line);
}

int receive_line(LineReader& reader, SOCKET sock, std::wstring& line) {
    std::string_view bytes = reader.read_line_view(read_socket, &sock);
    wide_text_into(bytes.data(), bytes.size(), CP_ACP, line);
    if (!bytes.empty() && line.empty()) return 0;
    return static_cast<int>(line.size()) + 1;
}
