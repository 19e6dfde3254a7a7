#pragma once

class ChatClient;

// The listener for incoming encrypted files: one thread that accepts on the
// receiver port (8087, all IPv4 addresses) and hands each connection to a
// thread of its own, a few at a time and fewer from one address
// (receiver_limits.h: a connection beyond them is closed at once). Started and stopped on the user-interface thread.

// On: starts the receiver unless it runs. Off: stops it if it runs. Called
// each time the preferences group is loaded (so also at start-up).
void switch_file_receiver(ChatClient& client, bool on);

// Ends the receiver now, also in the middle of transfers: every thread sees
// the stop within a tenth of a second and closes its own socket (the served
// connections are also shut down), and all are joined. Shows "NOT allowed to
// receive files." unless `quietly` (the program is ending).
void stop_file_receiver(ChatClient& client, bool quietly = false);

bool file_receiver_running();
// True once the receiver listens, until it is stopped.
bool file_receiver_listening();

// Port the next start listens on; 0 lets the system choose (tests, benchmarks).
void set_file_receiver_port(unsigned short port);
// The port actually listened on, 0 while not listening.
unsigned short file_receiver_bound_port();

// Connections served to their end since the program started (a file is
// decrypted before its connection ends): lets a test or benchmark wait.
unsigned long file_receiver_connections_served();
