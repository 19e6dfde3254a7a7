#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "crypto/sealed/sealed_file.h"
#include "crypto/sealed/sealed_message.h"

// The sealed sessions of all private chats, one per correspondent, with the
// offers and answers that make them. Knows nothing of windows or sockets:
// it takes line texts and the time, and gives line texts to send and what to
// tell the user. Called from the user-interface and receive threads alike.

struct CandidatePassword {
    int slot;  // in the password table
    Bytes password;
};

struct SealedNotice {
    enum class Kind { established, mismatch, refused, fallback, rejected, missed } kind;
    uint64_t count = 0;  // missed: messages that did not arrive
    int slot = 0;        // established on the answering side: the password that matched
};

struct SealedOutcome {
    bool handled = false;             // a sealed text: never shown as it came
    std::vector<std::string> replies; // line texts for the correspondent
    std::vector<SealedNotice> notices;
    std::optional<OpenedMessage> message;
};

class SealedChats {
public:
    static constexpr int64_t answer_wait_ms = 10000;
    static constexpr size_t failures_allowed = 3;
    static constexpr int64_t failure_window_ms = 10 * 60 * 1000;

    enum class State { none, offering, sealed, compatible };

    SealedChats();
    ~SealedChats();

    // The wait before an offer falls back (answer_wait_ms unless changed).
    void set_answer_wait(int64_t ms) { wait_ms_ = ms; }

    // The offer's line text. Ends any session or offer with `peer`.
    std::string offer(const std::string& own, const std::string& peer, const Bytes& password, int64_t now_ms);

    // A PRIVMSG text from `peer` in a private chat. `room`: characters one
    // reply line may hold.
    SealedOutcome receive(const std::string& own, const std::string& peer, const std::string& text,
                          const std::vector<CandidatePassword>& stored, size_t room, int64_t now_ms);

    // The line text of one sealed part, or nothing when no session holds.
    std::optional<std::string> seal(const std::string& peer, PayloadKind kind, const std::string& body);

    // The key of file `id` in the session with `peer`, or nothing when none holds.
    std::optional<Key> file_key_for(const std::string& peer, const FileId& id);

    State state(const std::string& peer);

    // Offers left unanswered for the wait: each falls back to the
    // compatible format, once. The correspondents concerned.
    std::vector<std::string> expire(int64_t now_ms);

    // Wipes the keys of one correspondent, or of all; failure counts stay.
    void forget(const std::string& peer);
    void forget_all();

private:
    struct Peer;
    Peer& peer_of(const std::string& nick);
    SealedOutcome answer_offer(Peer& peer, const std::string& own, const std::string& nick, const Bytes& body,
                               const std::vector<CandidatePassword>& stored, size_t room, int64_t now_ms);
    SealedOutcome take_answer(Peer& peer, const Bytes& body);
    SealedOutcome take_confirmation(Peer& peer, const Bytes& body);

    std::atomic<int64_t> wait_ms_{answer_wait_ms};
    std::mutex mutex_;
    std::map<std::string, std::unique_ptr<Peer>> peers_;
};
