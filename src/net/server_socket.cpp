#include "net/server_socket.h"

#include <ws2tcpip.h>

#include "app/text.h"
#include "app/hidden_characters.h"
#include "framework/message_box.h"
#include "net/connect_step.h"
#include "net/socket_waits.h"
#include "net/tls_channel.h"

namespace {
std::atomic<void (*)(size_t)> backlog_observer{nullptr};
thread_local OpenSocket* thread_connection = nullptr;

void report_backlog(size_t waiting) {
    if (auto observer = backlog_observer.load()) observer(waiting);
}

// Shuts the socket down both ways, which ends every read and send on it, and
// lets nothing more leave; the handle closes when its last holder lets go.
void shut(OpenSocket& open) {
    open.up = 0;
    open.queue.stop();
    shutdown(open.handle, SD_BOTH);
}
}  // namespace

OpenSocket::OpenSocket(SOCKET handle, unsigned number) : handle(handle), number(number) {}

// The writer ends before the channel it sends through, the channel before
// the socket it speaks over.
OpenSocket::~OpenSocket() {
    up = 0;
    queue.stop();
    if (writer_) {
        WaitForSingleObject(writer_, INFINITE);
        CloseHandle(writer_);
    }
    tls.reset();
    closesocket(handle);
}

void OpenSocket::send(std::string bytes, SendPriority priority) {
    queue.push(std::move(bytes), priority);
    report_backlog(queue.waiting());
    std::lock_guard<std::mutex> guard(writer_lock_);
    if (!writer_ && !queue.stopped()) writer_ = CreateThread(nullptr, 0, write_all, this, 0, nullptr);
}

// The writer: the only thread that sends on the socket once the connection
// carries lines, so a server that stops reading holds up nobody else; each
// wait for room is a short step that looks whether the connection is still up.
unsigned long __stdcall OpenSocket::write_all(void* self) {
    OpenSocket& open = *static_cast<OpenSocket*>(self);
    constexpr DWORD step_ms = socket_check_us / 1000;
    std::string bytes;
    while (open.up && !open.queue.stopped()) {
        if (open.tls && !open.tls->is_open()) {
            Sleep(step_ms);
            continue;
        }
        if (!open.queue.take(bytes, step_ms)) continue;
        const bool sent = open.tls ? open.tls->send_all(open.handle, bytes.data(), bytes.size(), open.up)
                                   : send_while_up(open.handle, bytes.data(), bytes.size(), open.up);
        open.queue.taken_done();
        report_backlog(open.queue.waiting());
        if (!sent) break;
    }
    open.queue.stop();
    return 0;
}

void set_send_backlog_observer(void (*observer)(size_t)) {
    backlog_observer = observer;
}

void bind_thread_to_connection(OpenSocket* open) {
    thread_connection = open;
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
    const SOCKET sock = open_server_connection(host, port, [] { return true; });
    if (sock == INVALID_SOCKET) return false;
    return publish_connection(server, sock, ++server.opened, nullptr, [] { return true; }) != nullptr;
}

std::shared_ptr<OpenSocket> publish_connection(ServerSocket& server, SOCKET sock, unsigned number,
                                               std::unique_ptr<TlsChannel> tls,
                                               const std::function<bool()>& still_wanted) {
    auto open = std::make_shared<OpenSocket>(sock, number);
    open->tls = std::move(tls);
    std::shared_ptr<OpenSocket> replaced;
    std::lock_guard<std::mutex> guard(server.open_lock);
    if (!still_wanted()) return nullptr;
    server.reader.reset();
    server.sock = sock;
    replaced.swap(server.open);
    if (replaced) shut(*replaced);
    server.open = open;
    server.connected = 1;
    return open;
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

unsigned connection_number(const ServerSocket& server) {
    return thread_connection ? thread_connection->number : server.opened.load();
}

bool claim_registration(ServerSocket& server) {
    const unsigned connection = connection_number(server);
    return server.registered.exchange(connection) != connection;
}

void close_connection(ServerSocket& server, OpenSocket& open) {
    std::shared_ptr<OpenSocket> last;
    std::lock_guard<std::mutex> guard(server.open_lock);
    shut(open);
    if (server.open.get() != &open) return;
    server.connected = 0;
    last.swap(server.open);
}

void close_connection(ServerSocket& server) {
    if (thread_connection) return close_connection(server, *thread_connection);
    std::shared_ptr<OpenSocket> last;
    {
        std::lock_guard<std::mutex> guard(server.open_lock);
        server.connected = 0;
        if (!server.open) return;
        // The thread still holding the handle closes it when it lets go.
        shut(*server.open);
        last.swap(server.open);
    }
}

bool wait_urgent_lines_sent(ServerSocket& server, unsigned timeout_ms) {
    const std::shared_ptr<OpenSocket> held = hold_connection(server);
    return !held || held->queue.wait_urgent_sent(timeout_ms);
}

std::string wire_bytes(const wchar_t* text) {
    return text ? encode_wire_text(text, wcslen(text), CP_ACP) : std::string();
}

bool can_spare_line(ServerSocket& server) {
    if (thread_connection) return thread_connection->up && thread_connection->queue.can_spare_line();
    const std::shared_ptr<OpenSocket> held = hold_connection(server);
    return held && held->up && held->queue.can_spare_line();
}

int send_line(const wchar_t* text, ServerSocket& server, SendPriority priority) {
    std::string bytes = wire_bytes(text);
    const int text_length = static_cast<int>(bytes.size());
    bytes += "\r\n";
    // A receive loop sends only on the connection it reads, even when a newer
    // one has replaced it meanwhile.
    std::shared_ptr<OpenSocket> held;
    OpenSocket* target = thread_connection;
    if (!target) {
        held = hold_connection(server);
        target = held.get();
    }
    // Nothing goes on a TLS connection before its channel is open.
    if (!target || !target->up || (target->tls && !target->tls->is_open())) return SOCKET_ERROR;
    target->send(std::move(bytes), priority);
    return text_length;
}

namespace {
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
        timeval wait{0, socket_check_us};
        if (select(0, &readable, nullptr, nullptr, &wait) == 0) continue;
        const int n = recv(from.sock, data, size, 0);
        if (n != SOCKET_ERROR || WSAGetLastError() != WSAEWOULDBLOCK) return n;
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

bool bytes_waiting(const OpenSocket& open) {
    if (open.tls && open.tls->holds_bytes()) return true;
    u_long waiting = 0;
    return ioctlsocket(open.handle, FIONREAD, &waiting) == 0 && waiting > 0;
}

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
