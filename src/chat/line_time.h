#pragma once

// The time the server gave the line being handled on this thread (its
// server-time tag), in milliseconds since 1970-01-01 UTC; 0 when it gave none
// and the line is as new as its arrival. Text queued for a chat meanwhile
// carries it (PendingLine::server_time), so a bouncer's playback keeps the
// times its lines were first said.
long long current_line_time();

// Sets the time for the lines handled while it lives, on this thread.
class LineTimeScope {
public:
    explicit LineTimeScope(long long time);
    ~LineTimeScope();
    LineTimeScope(const LineTimeScope&) = delete;
    LineTimeScope& operator=(const LineTimeScope&) = delete;

private:
    long long previous_;
};
