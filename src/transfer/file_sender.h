#pragma once
#include <memory>
#include <string>

#include "crypto/encrypting_reader.h"
#include "transfer/sealed_file_reader.h"

// One outgoing file, checked and opened by the send command, then handed to
// its own thread, which derives the key, connects and sends.
struct OutgoingFile {
    std::string address;             // dotted IPv4
    std::string password;            // key-derivation bytes of the chat's password
    std::string wire_name;           // "<file name>.zof" in the thread's code page
    std::wstring display_name;       // the same for the status bar
    std::unique_ptr<EncryptingReader> reader;  // opened; or, for a sealed correspondent:
    std::unique_ptr<SealedFileReader> sealed;  // opened, keyed
};

// Starts the sender thread and returns at once; several may run together,
// each with its own connection.
void start_file_sender(OutgoingFile file);

// Ends every sender and waits for them, for the end of the program: each sees
// the stop within a tenth of a second, even one waiting on a silent peer.
void stop_file_senders();

// Senders still running (tests and benchmarks wait on it).
int active_file_senders();

// Port the senders connect to; tests and benchmarks point it elsewhere.
void set_file_sender_port(unsigned short port);
unsigned short file_sender_port();

// Chunks a sender may have unanswered: transfer::send_window / chunk size by
// default; 1 makes a strictly lock-step sender (benchmarks compare the two).
void set_file_sender_window_chunks(unsigned chunks);
