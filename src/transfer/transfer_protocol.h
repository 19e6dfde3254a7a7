#pragma once
#include <cstddef>

// The direct file-transfer protocol between two copies of Quillmere. Every
// unit is answered "OK"; that alternation is the only delimiter on the wire
// (no terminators, no length prefixes).
namespace transfer {

constexpr unsigned short default_port = 8087;

constexpr char start_marker[] = "File_send";
constexpr char end_marker[] = "End_connection";
constexpr char answer[] = "OK";
constexpr size_t answer_length = 2;

// What one receive may hold, as the other side reads them.
constexpr size_t marker_read_limit = 32;
constexpr size_t name_limit = 128;
constexpr size_t size_read_limit = 32;
constexpr size_t answer_read_limit = 32;

// The size travels as 1 to 9 decimal digits.
constexpr size_t size_digits_limit = 9;
constexpr unsigned long long largest_size = 999999999ull;

constexpr size_t chunk_size = 1024;

// Chunks a sender keeps unanswered: the answers are counted as they come, so
// the rate is not one chunk per round trip.
constexpr size_t send_window = 256 * 1024;

// A peer that sends or answers nothing for this long is gone.
constexpr int idle_timeout_ms = 120000;

// Progress is shown this often at most.
constexpr unsigned progress_interval_ms = 250;

// Number of chunks that `bytes` of a file of `total` bytes complete.
constexpr unsigned long long chunks_done(unsigned long long bytes, unsigned long long total) {
    return bytes >= total ? (total + chunk_size - 1) / chunk_size : bytes / chunk_size;
}

}  // namespace transfer
