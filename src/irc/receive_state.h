#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "irc/irc_line.h"

class ScramClient;

// What the receive thread keeps between the lines of one connection: the
// capability negotiation, the account login and the batches being gathered.
// Only the receive thread touches it; it starts afresh with each connection
// (reset), but for the times it keeps to know a playback.
struct ReceiveState {
    ReceiveState();
    ~ReceiveState();
    ReceiveState(const ReceiveState&) = delete;
    ReceiveState& operator=(const ReceiveState&) = delete;
    void reset();

    // Capabilities: CAP LS sent and CAP END not yet.
    bool negotiating = false;
    // Offered so far, by name, with their values ("sasl" -> "PLAIN,EXTERNAL").
    std::map<std::wstring, std::wstring> offered;

    // The account login, while it is under way.
    enum class Login { idle, started, succeeded, failed } login = Login::idle;
    std::wstring login_message;                // a server's challenge gathered from 400-byte pieces
    std::wstring mechanisms;                   // what the server said it offers (908)
    std::unique_ptr<ScramClient> scram;
    bool scram_verified = false;
    // The connection was ended because the login failed: reconnecting
    // would only fail again.
    bool refused = false;

    // Lines held until the end of their batch, by batch name.
    std::map<std::wstring, std::vector<IrcLine>> batches;
    // The open batches that play back what a bouncer kept (irc/playback.h).
    std::set<std::wstring> playback_batches;

    // Kept from one connection to the next while the server stays the same:
    // the newest time a line of it was said (its server-time), and that time
    // as the connection began, so that a bouncer's playback after a
    // reconnect leaves out what was shown already.
    std::wstring line_times_server;
    long long newest_line_time = 0;
    long long shown_before_connection = 0;
};
