#pragma once
// A plain IRC client on raw sockets that keeps a channel busy from a thread of
// its own, so that lines are in flight whenever Quillmere connects or hangs
// up, and that asks the server about Quillmere afterwards. Header-only and
// free of GoogleTest, so that benchmarks use it too.
#include <winsock2.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/raw_irc_client.h"

namespace probe {

class ChannelFlooder {
public:
    ~ChannelFlooder() { stop_flood(); }

    // Connects, registers and joins; false when the server did not let it
    // within the time.
    bool join(unsigned short port, const std::string& nickname, const std::string& channel, int timeout_ms = 10000) {
        channel_ = channel;
        if (!irc_.connect(port)) return false;
        irc_.send_line("NICK " + nickname);
        irc_.send_line("USER " + nickname + " 0 * :Channel flooder");
        if (!irc_.read_until(" 376 ", timeout_ms)) return false;
        irc_.send_line("JOIN " + channel);
        return irc_.read_until(" 366 ", timeout_ms);
    }

    // Sends a channel message every `interval_ms` until stop_flood, reading
    // (and answering PING) all along so the server never drops it.
    void start_flood(DWORD interval_ms = 2) {
        stop_ = false;
        thread_ = std::thread([this, interval_ms] {
            for (unsigned n = 0; !stop_; ++n) {
                irc_.send_line("PRIVMSG " + channel_ + " :storm line " + std::to_string(n) + " in flight");
                while (irc_.read_line(0)) {
                }
                Sleep(interval_ms);
            }
        });
    }

    void stop_flood() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

    // After stop_flood: sends `question` and returns the server's lines up to
    // its answer to a PING sent right after it (the server answers in order).
    // `idle` runs between reads: the caller's thread may have messages to run.
    std::vector<std::string> ask(const std::string& question, const std::function<void()>& idle,
                                 int timeout_ms = 10000) {
        const std::string mark = "probe-" + std::to_string(++questions_);
        std::vector<std::string>& lines = irc_.lines();
        lines.clear();
        irc_.send_line(question);
        irc_.send_line("PING :" + mark);
        const DWORD deadline = GetTickCount() + timeout_ms;
        while (static_cast<int>(deadline - GetTickCount()) > 0) {
            if (!irc_.read_line(10)) {
                if (idle) idle();
                continue;
            }
            if (lines.back().find(" PONG ") != std::string::npos && lines.back().find(mark) != std::string::npos) {
                lines.pop_back();
                return lines;
            }
        }
        return {};
    }

private:
    RawIrcClient irc_{1000};
    std::string channel_;
    unsigned questions_ = 0;
    std::atomic<bool> stop_{true};
    std::thread thread_;
};

}  // namespace probe
