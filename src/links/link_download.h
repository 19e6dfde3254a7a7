#pragma once
#include <cstddef>
#include <string>

// Downloads of linked images and videos into the Downloads folder, each on a
// worker thread of a small pool.

// How a download ended; the status notice says it in words.
struct DownloadResult {
    enum Kind { received, no_connection, server_error, download_failure, other_error, not_attempted };
    Kind kind = not_attempted;
    unsigned code = 0;  // for other_error: the system's result code
    std::wstring file_name;
};

// The name a link's target is saved under: the part after the last '/' or
// '\', without query or fragment, cleaned like every name from the network.
// Empty when nothing usable is left (a link ending in '/').
std::wstring download_file_name(const std::wstring& link);

// The status notice text for a result; empty for not_attempted.
std::wstring download_result_text(const DownloadResult& result);

// Fetches the link into `folder` + "Downloads\" and shows the result in the
// status bar (nothing when the link gives no file name or is not a web
// address). Blocks until done:
// for worker threads and tests.
DownloadResult download_link(const std::wstring& folder, const std::wstring& link);

// Hands the download to the pool and returns at once. At most
// downloads_in_flight run together and downloads_waiting wait their turn; a
// link beyond that is dropped, and the status bar says so (false).
constexpr size_t downloads_in_flight = 3;
constexpr size_t downloads_waiting = 16;
bool queue_download(const std::wstring& folder, const std::wstring& link);

// The pool's current figures, for tests and the benchmark.
struct DownloadPoolFigures {
    size_t running = 0;
    size_t waiting = 0;
    size_t dropped = 0;  // since the process started
};
DownloadPoolFigures download_pool_figures();
