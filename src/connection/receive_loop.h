#pragma once
#include <string>

#include "net/proxy_route.h"

class ChatClient;

// Empty reads in a row after which the server is taken to be gone.
constexpr int idle_read_limit = 200;

constexpr const wchar_t* server_not_responding_text = L"IRC server not responding";
// The receive thread met an error it could not go on from (%s: what it was).
constexpr const wchar_t* receive_failed_text = L"Reading from the IRC server failed (%s); the connection was closed.";

// The user name sent with USER: "z-z" in front of the user's own when
// check_compatible_app is on, so that other copies of the program recognise it.
std::wstring registration_username(const ChatClient& client);

// Body of the receive thread: registers (NICK, USER), then reads and dispatches
// lines until the connection is closed or the server goes silent.
void receive_loop(ChatClient& client);

// Where a receive thread connects to, taken on the user-interface thread.
struct ConnectTarget {
    std::wstring host;
    std::wstring port_text;  // as typed, for the progress lines
    unsigned short port = 0;
    bool tls = false;
    unsigned number = 0;  // the connection's number (ServerSocket::opened)
    ProxyRoute proxy;     // off: straight to the server
};

// Starts the receive thread for the connection just opened.
bool start_receive_thread(ChatClient& client);

// Starts a receive thread that first makes the connection (resolve, connect,
// each in short steps that end as soon as its session is over) and writes how
// that went in the server tab. A failed connect ends like a lost connection
// (report_connection_lost), which a reconnect series carries on from.
bool start_receive_thread(ChatClient& client, const ConnectTarget& target);

// Ends the receive thread: begins a new session (so that nothing the old one
// hands over runs), closes the connection and waits for the thread to end.
// User-interface thread only; before a new connection replaces the old one,
// and at shutdown. False when the thread was still running as the wait gave up.
bool stop_receive_thread(ChatClient& client);

// Whether a receive thread is running (one started and not yet ended).
bool receive_thread_running();

// The program folder (ending in a backslash) for threads that have no
// ChatClient at hand, such as link downloads; set when a receive loop starts.
std::wstring program_folder();
