#pragma once
// The other side of a file transfer, written from the protocol's byte table
// alone: strictly one unit, then one answer. Nothing here comes from the
// program's own transfer code.
#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/chat_client.h"
#include "support/file_bytes.h"
#include "support/loopback.h"
#include "support/window_probe.h"

namespace peer {

// Connects to 127.0.0.1:port from the loopback address `from` (any of
// 127.0.0.0/8 is this machine); INVALID_SOCKET on failure.
SOCKET connect_local(unsigned short port, const char* from = "127.0.0.1");

// One unit, then one receive of at most 32 bytes for its answer (returned;
// empty when the connection ended).
std::string send_unit(SOCKET socket, const std::string& unit);

// True when the other side closes the connection (or resets it) within the time.
bool closed_by_other_side(SOCKET socket, int timeout_ms = 5000);

// Sends one file lock-step: "File_send", the name, the size in digits, the
// content in chunks of 1,024 each answered, then "End_connection". Extra
// markers go before "File_send". True when every unit was answered "OK".
bool send_file(unsigned short port, const std::string& name, const std::string& content,
               const std::vector<std::string>& extra_markers = {}, const char* from = "127.0.0.1");

// Announces a file and then sends its content slowly: `step` bytes every
// `interval_ms`, on a thread of its own, reading (and dropping) the answers.
class Trickler {
public:
    Trickler(unsigned short port, const std::string& name, unsigned long long size, size_t step, int interval_ms,
             const char* from = "127.0.0.1");
    ~Trickler();  // stops and closes its end
    // Every header unit ("File_send", the name, the size) was answered "OK".
    bool announced() const { return announced_; }
    // True when the other side closed the connection within the time.
    bool wait_cut(int timeout_ms = 10000);

private:
    void trickle(size_t step, int interval_ms);
    SOCKET socket_ = INVALID_SOCKET;
    bool announced_ = false;
    std::atomic<bool> stop_{false}, cut_{false};
    std::thread thread_;
};

// Listens on a port of the system's choosing and receives one file lock-step,
// on a thread of its own.
class Receiver {
public:
    Receiver();
    ~Receiver();
    unsigned short port() const { return port_; }
    // Waits for the sender to finish (or the time to pass); true when a file
    // arrived and "End_connection" ended it.
    bool wait(int timeout_ms = 20000);
    std::string name, size_text, content;
    int chunks = 0;

private:
    void serve();
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    HANDLE thread_ = nullptr;
    bool complete_ = false;
};

}  // namespace peer

std::vector<std::wstring> files_in(const std::wstring& folder);
// Bytes 0, 1, 2 ... of a recognisable pattern.
std::string pattern_bytes(size_t size, unsigned seed = 1);
