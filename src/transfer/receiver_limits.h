#pragma once
#include <string>

// What one peer may take of the file receiver. Port 8087 is open to anyone
// and nothing proves who sends: without these a single peer that announces a
// large file and then trickles holds the receiver, and a scratch file, for
// days.
struct ReceiverLimits {
    // Connections served at once; one more is closed as soon as it is accepted.
    unsigned connections = 4;
    // Connections served at once from one remote address, so that one address
    // never takes every place.
    unsigned connections_per_address = 2;
    // The announced sizes of the files being received, together. The files
    // from one address may claim half of it at most, so that another sender
    // always finds room. A file is also refused when the disk lacks twice its
    // size (the received and the decrypted copy) beside the others.
    unsigned long long scratch_bytes = 2000000000ull;
    // Bytes per second a peer must send, judged over each window (a strictly
    // lock-step sender gives a kilobyte per round trip).
    unsigned min_rate = 2048;
    unsigned rate_window_ms = 30000;
    // A connection may last this long, plus the time each file it announces
    // takes at `deadline_rate` bytes per second (0: no such time). At the end
    // of each rate window the bytes still owed are weighed against the time
    // left at the window's rate: a peer that cannot make it is cut then, not
    // when the deadline comes.
    unsigned long long deadline_ms = 10 * 60 * 1000;
    unsigned deadline_rate = 8192;
};

// Taken by each connection when it is accepted; tests shorten them.
ReceiverLimits receiver_limits();
void set_receiver_limits(const ReceiverLimits& limits);

// Room for one file being received, counted against the limit and the disk
// until the file is decrypted or given up.
class ScratchReservation {
public:
    ScratchReservation() = default;
    ScratchReservation(const ScratchReservation&) = delete;
    ScratchReservation& operator=(const ScratchReservation&) = delete;
    ~ScratchReservation() { release(); }
    // False when `size` more bytes would pass the limit, or the share of the
    // remote `address` (IPv4, network order), or the disk holding `folder`
    // lacks the room.
    bool reserve(unsigned long long size, const std::wstring& folder, unsigned long address);
    void release();

private:
    unsigned long long size_ = 0;
    unsigned long address_ = 0;
};
