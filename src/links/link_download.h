#pragma once
#include <cstddef>
#include <string>

#include "links/download_cancel.h"

// Downloads of linked images and videos into the Downloads folder, each on a
// worker thread of a small pool.

// How a download ended; the status notice says it in words.
struct DownloadResult {
    enum Kind {
        received, no_connection, server_error, download_failure, other_error, not_attempted,
        took_too_long, too_slow, over_budget, cancelled,
        refused_type,  // the saved name's type is not one a link may bring
        local_host,    // the link or a redirection leads into the user's own network
        too_many       // the hour's number of downloads is used up
    };
    Kind kind = not_attempted;
    unsigned code = 0;  // for other_error: the system's result code
    std::wstring file_name;
};

// What a download may take. A server may trickle a byte now and then for
// ever, or send without end: each download has a deadline, a least rate and
// a largest size, and all of them together may keep only so much in
// Downloads\ per hour.
// The limits are checked after each read rather than by a watchdog: a read
// returns as soon as any data has come, or with the network step time-out
// (15 s), so a download ends at most that long after its deadline. The hourly amount counts every byte written, also of
// downloads that failed later, so that failing on purpose does not go
// around it.
struct DownloadLimits {
    unsigned long long deadline_ms = 120000;              // from the start, connecting included
    unsigned long long rate_window_ms = 30000;            // successive windows this long from the start...
    unsigned long long least_bytes_per_window = 8 * 1024;  // ...must each bring at least this
    unsigned long long bytes_per_hour = 256ull * 1024 * 1024;
    unsigned long long largest_file = 512ull * 1024 * 1024;  // one link to an endless file must not fill the disk
    // Tiny files must not make thousands of "x (N).gif" an hour: every
    // download that reaches the network counts, failed ones too.
    unsigned long long downloads_per_hour = 120;
    unsigned long step_timeout_ms = 15000;  // each network step gives up on its own after this long
};
// Tests set shorter limits; setting them also starts a fresh hour.
void set_download_limits(const DownloadLimits& limits);
DownloadLimits download_limits();

// The name a link's target is saved under: the part after the last '/' or
// '\', without query or fragment, cleaned like every name from the network.
// Empty when nothing usable is left (a link ending in '/').
std::wstring download_file_name(const std::wstring& link);

// What a download may be and reach. An image link saves a file only under an
// image type's name (what follows the name's last dot: jpg, jpeg, gif, png,
// webp, jfif, bmp, avif); a video link also under any other name but a type
// that Windows runs or follows (is_runnable_file_type). Hosts in the user's
// own network (link_host.h) are refused unless `allow_local`, which follows
// the user's switch when not given.
void allow_local_link_downloads(bool allowed);  // Settings.ini only; off until the preferences load
bool local_link_downloads_allowed();
struct DownloadRequest {
    bool video = false;
    bool allow_local = local_link_downloads_allowed();
};
bool download_type_allowed(const std::wstring& name, const DownloadRequest& request);

// Redirections followed, each judged like the link itself, before giving up.
constexpr int redirections_followed = 5;

// The status notice text for a result; empty for not_attempted and cancelled.
std::wstring download_result_text(const DownloadResult& result);

// Fetches the link into `folder` + "Downloads\" and shows the result in the
// status bar (nothing when the link gives no file name or is not a web
// address). An existing file is never replaced: the download takes the next
// free name ("cat (2).gif"), which the notice gives. Blocks until done: for
// worker threads and tests. `cancel`, when given, lets another thread end it.
DownloadResult download_link(const std::wstring& folder, const std::wstring& link, DownloadCancel* cancel = nullptr,
                             const DownloadRequest& request = {});

// Hands the download to the pool and returns at once. At most
// downloads_in_flight run together and downloads_waiting wait their turn; a
// link beyond that is dropped, and the status bar says so (false). After
// stop_downloads every link is refused (false, without a notice).
constexpr size_t downloads_in_flight = 3;
constexpr size_t downloads_waiting = 16;
bool queue_download(const std::wstring& folder, const std::wstring& link, const DownloadRequest& request = {});

// At shutdown, before the client goes: no download starts any more, the
// waiting ones are dropped and the running ones cancelled; waits at most
// `wait_ms` for their threads to finish. True when none is left.
constexpr unsigned download_stop_wait_ms = 2000;
bool stop_downloads(unsigned wait_ms = download_stop_wait_ms);
// Tests: the pool takes links again after stop_downloads.
void restart_downloads();

// The pool's current figures, for tests and the benchmark.
struct DownloadPoolFigures {
    size_t running = 0;
    size_t waiting = 0;
    size_t dropped = 0;  // since the process started
};
DownloadPoolFigures download_pool_figures();
