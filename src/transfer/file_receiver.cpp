#include "transfer/file_receiver.h"

#include <winsock2.h>

#include <algorithm>
#include <atomic>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/ui_thread.h"
#include "transfer/receive_session.h"
#include "transfer/receiver_limits.h"
#include "transfer/transfer_protocol.h"
#include "transfer/transfer_socket.h"
#include "transfer/transfer_status.h"
#include "transfer/transfer_texts.h"

namespace {

constexpr int listen_backlog = 4;
constexpr long accept_poll_ms = 100;

// One served connection. Its thread owns the socket and alone closes it;
// a stopper only shuts it down, under Receiver::lock, which the thread holds
// while it closes, so the handle can never have been closed (and perhaps
// given to another connection) by then.
struct Worker {
    std::thread thread;
    SOCKET socket = INVALID_SOCKET;  // under Receiver::lock
    bool done = false;               // under Receiver::lock
    unsigned long address = 0;       // the peer's (IPv4, network order)
};

// Never destroyed: a thread still running when the process ends must not
// meet a destroyed std::thread (which would end the process abnormally).
struct Receiver {
    std::thread thread;  // the listener's, which owns the listening socket
    std::atomic<bool> running{false}, stopping{false}, listener_open{false};
    std::atomic<unsigned short> port{transfer::default_port}, bound_port{0};
    std::atomic<unsigned long> served{0};
    std::mutex lock;
    std::list<Worker> workers;  // under lock; the listener thread adds and joins them
};

Receiver& receiver() {
    static Receiver* instance = new Receiver;
    return *instance;
}

SOCKET open_listener(unsigned short port) {
    Receiver& r = receiver();
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        show_transfer_status(transfer_text::invalid_listen_socket);
        return INVALID_SOCKET;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        show_transfer_status(transfer_text::bind_failed);
        close_socket(listener);
        return INVALID_SOCKET;
    }
    if (listen(listener, listen_backlog) != 0) {
        show_transfer_status(transfer_text::listen_failed);
        close_socket(listener);
        return INVALID_SOCKET;
    }
    int length = sizeof address;
    if (getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        r.bound_port = ntohs(address.sin_port);
    r.listener_open = true;
    return listener;
}

void run_worker(ChatClient* client, Worker* self, SOCKET connection) {
    Receiver& r = receiver();
    show_transfer_status(transfer_text::client_connected);
    serve_transfer_connection(*client, connection, r.stopping);
    {
        std::lock_guard<std::mutex> guard(r.lock);
        close_socket(self->socket);
        self->done = true;
    }
    ++r.served;
}

// Joins the workers that have ended, or (`every`) waits for all of them;
// only the listener thread joins. Returns how many were still running. A
// worker's record stays listed until it has closed its socket, so that a
// stopper finds every socket still open.
size_t join_workers(bool every) {
    Receiver& r = receiver();
    std::vector<std::thread> threads;
    size_t running = 0;
    {
        std::lock_guard<std::mutex> guard(r.lock);
        for (auto it = r.workers.begin(); it != r.workers.end();) {
            if (!it->done) ++running;
            if (it->done || every) threads.push_back(std::move(it->thread));
            it = it->done ? r.workers.erase(it) : std::next(it);
        }
    }
    for (std::thread& thread : threads)
        if (thread.joinable()) thread.join();
    if (every) {
        std::lock_guard<std::mutex> guard(r.lock);
        r.workers.clear();
    }
    return running;
}

// Workers still serving `address`; under Receiver::lock.
int running_from(const Receiver& r, unsigned long address) {
    int count = 0;
    for (const Worker& worker : r.workers)
        if (!worker.done && worker.address == address) ++count;
    return count;
}

// Hands an accepted connection to a worker of its own, or closes it when a
// limit is reached or a stop has begun.
void take_connection(ChatClient* client, SOCKET connection, const sockaddr_in& peer) {
    Receiver& r = receiver();
    const ReceiverLimits limits = receiver_limits();
    const size_t running = join_workers(false);
    std::lock_guard<std::mutex> guard(r.lock);
    const int from_peer = running_from(r, peer.sin_addr.s_addr);
    const bool busy = running >= std::max(1u, limits.connections);
    if (r.stopping || busy || from_peer >= static_cast<int>(std::max(1u, limits.connections_per_address))) {
        close_socket(connection);
        if (r.stopping) return;
        if (busy)
            show_transfer_status(format_text(transfer_text::refused_busy, static_cast<int>(running)), false);
        else
            show_transfer_status(format_text(transfer_text::refused_address, wide_text(inet_ntoa(peer.sin_addr), CP_ACP),
                                             from_peer),
                                 false);
        return;
    }
    r.workers.emplace_back();
    Worker& worker = r.workers.back();
    worker.socket = connection;
    worker.address = peer.sin_addr.s_addr;
    try {
        // Started under the lock: the worker's first use of its record waits for it.
        worker.thread = std::thread(run_worker, client, &worker, connection);
    } catch (const std::system_error&) {
        close_socket(worker.socket);
        r.workers.pop_back();
    }
}

// Waits for a connection a tenth of a second at a time, so that a stop is
// seen without another thread touching the listening socket.
bool connection_waiting(SOCKET listener) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval step{0, accept_poll_ms * 1000};
    const int ready = select(0, &readable, nullptr, nullptr, &step);
    if (ready < 0) Sleep(10);  // a passing error: try again, without spinning
    return ready > 0;
}

void run_receiver(ChatClient* client, unsigned short port, bool quiet) {
    Receiver& r = receiver();
    SOCKET listener = open_listener(port);
    if (listener != INVALID_SOCKET) {
        if (!quiet && !r.stopping) show_transfer_status(transfer_text::allowed);
        while (!r.stopping) {
            if (!connection_waiting(listener)) continue;
            // A flood of half-open connections or a passing error: try again.
            sockaddr_in peer{};
            int length = sizeof peer;
            SOCKET connection = accept(listener, reinterpret_cast<sockaddr*>(&peer), &length);
            if (connection != INVALID_SOCKET) take_connection(client, connection, peer);
        }
    }
    // A failed opening keeps `running`: only a stop and a new start retry.
    close_socket(listener);
    join_workers(true);
}

}  // namespace

void switch_file_receiver(ChatClient& client, bool on) {
    Receiver& r = receiver();
    if (!on) {
        if (r.running) stop_file_receiver(client);
        return;
    }
    if (r.running) return;
    if (r.thread.joinable()) r.thread.join();
    r.stopping = false;
    r.running = true;
    r.bound_port = 0;
    r.thread = std::thread(run_receiver, &client, r.port.load(), startup_in_progress.load());
}

void stop_file_receiver(ChatClient& client, bool quietly) {
    Receiver& r = receiver();
    if (!r.running) return;
    r.stopping = true;
    {
        // Wakes a worker's waiting call at once where the system allows; its
        // own polling of `stopping` ends it within moments anyway.
        std::lock_guard<std::mutex> guard(r.lock);
        for (Worker& worker : r.workers)
            if (worker.socket != INVALID_SOCKET) shutdown(worker.socket, SD_BOTH);
    }
    if (r.thread.joinable()) r.thread.join();
    r.running = false;
    r.listener_open = false;
    r.bound_port = 0;
    // Through the hand-over queue, which runs first what the thread queued
    // before it ended (its last progress notice), so this one stays shown.
    if (!quietly) post_ui_task(client, [] { show_transfer_status(transfer_text::not_allowed); }, TaskKind::always);
}

bool file_receiver_running() { return receiver().running; }
bool file_receiver_listening() { return receiver().listener_open; }
void set_file_receiver_port(unsigned short port) { receiver().port = port; }
unsigned short file_receiver_bound_port() { return receiver().bound_port; }
unsigned long file_receiver_connections_served() { return receiver().served; }
