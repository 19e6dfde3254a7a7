#pragma once
// A one-client IRC server played by a test on a thread of its own: it
// registers the client, joins it to a channel, sends a hostile mix as fast as
// the client reads it, in sends of random sizes (some of a few bytes, cutting
// lines anywhere), then a PING, and notes when the PONG came. Every wait has a
// deadline, so a client that stops reading makes the run fail, not hang.
#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>

namespace e2e {

struct HostileRun {
    std::string failure;       // empty when the PONG came in time
    size_t lines_sent = 0;     // lines the client took before the end
    size_t lines = 0;          // lines in the mix
    double send_seconds = 0;   // from the first line to the last one taken
    double pong_seconds = -1;  // from the PING to the PONG; -1 without one
};

class HostileServer {
public:
    HostileServer(unsigned seed, size_t lines, DWORD send_budget_ms, DWORD pong_timeout_ms);
    ~HostileServer();
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    unsigned short port() const { return port_; }
    bool finished() const { return finished_; }
    // Waits for the run to end; call once finished() holds.
    const HostileRun& result();

    static constexpr const char* channel = "#hostile";

private:
    void run();
    bool register_client();
    void send_mix();
    void await_pong();
    // Reads what the client sent, answering its PINGs; false when it hung up.
    bool read_client(int timeout_ms);

    unsigned seed_;
    size_t lines_;
    DWORD send_budget_ms_, pong_timeout_ms_;
    SOCKET listener_ = INVALID_SOCKET, client_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::string received_, nickname_, user_, token_;
    bool pong_ = false;
    HostileRun run_;
    std::atomic<bool> finished_{false}, stop_{false};
    std::thread thread_;
};

}  // namespace e2e
