#include "transfer/file_receiver.h"

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "app/chat_client.h"
#include "chat/ui_thread.h"
#include "transfer/receive_session.h"
#include "transfer/transfer_protocol.h"
#include "transfer/transfer_socket.h"
#include "transfer/transfer_status.h"
#include "transfer/transfer_texts.h"

namespace {

// Never destroyed: a thread still running when the process ends must not
// meet a destroyed std::thread (which would end the process abnormally).
struct Receiver {
    std::thread thread;
    std::atomic<bool> running{false}, stopping{false}, listener_open{false};
    std::atomic<unsigned short> port{transfer::default_port}, bound_port{0};
    std::atomic<unsigned long> served{0};
    // The sockets the stopper must reach; the thread owns and closes them.
    std::mutex lock;
    SOCKET listener = INVALID_SOCKET, connection = INVALID_SOCKET;
};

Receiver& receiver() {
    static Receiver* instance = new Receiver;
    return *instance;
}

// Publishes a socket to the stopper; false (and the socket closed) when a stop
// has begun meanwhile.
bool publish(SOCKET Receiver::*field, SOCKET& socket) {
    Receiver& r = receiver();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.stopping) {
        close_socket(socket);
        return false;
    }
    r.*field = socket;
    return true;
}

void withdraw_and_close(SOCKET Receiver::*field) {
    Receiver& r = receiver();
    SOCKET socket;
    {
        std::lock_guard<std::mutex> guard(r.lock);
        socket = r.*field;
        r.*field = INVALID_SOCKET;
    }
    close_socket(socket);
}

bool open_listener(unsigned short port) {
    Receiver& r = receiver();
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        show_transfer_status(transfer_text::invalid_listen_socket);
        return false;
    }
    if (!publish(&Receiver::listener, listener)) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (!r.stopping) show_transfer_status(transfer_text::bind_failed);
        return false;
    }
    if (listen(listener, 1) != 0) {
        if (!r.stopping) show_transfer_status(transfer_text::listen_failed);
        return false;
    }
    int length = sizeof address;
    if (getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        r.bound_port = ntohs(address.sin_port);
    r.listener_open = true;
    return true;
}

void run_receiver(ChatClient* client, unsigned short port, bool quiet) {
    Receiver& r = receiver();
    if (open_listener(port)) {
        if (!quiet) show_transfer_status(transfer_text::allowed);
        // A copy: the stopper closes and withdraws the shared one under the lock.
        SOCKET listener = r.listener;
        while (!r.stopping) {
            SOCKET connection = accept(listener, nullptr, nullptr);
            if (connection == INVALID_SOCKET) {
                // A flood of half-open connections or a passing error: try
                // again, without spinning.
                if (!r.stopping) Sleep(10);
                continue;
            }
            if (!publish(&Receiver::connection, connection)) break;
            show_transfer_status(transfer_text::client_connected);
            serve_transfer_connection(*client, connection, r.stopping);
            withdraw_and_close(&Receiver::connection);
            ++r.served;
        }
    }
    // A failed opening keeps `running`: only a stop and a new start retry.
    withdraw_and_close(&Receiver::listener);
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
        // Closing wakes the thread from accept or a receive (a shutdown alone
        // does not everywhere); the thread sees the stop before it touches the
        // sockets again, and finds them withdrawn.
        std::lock_guard<std::mutex> guard(r.lock);
        close_socket(r.connection);
        close_socket(r.listener);
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
