// A small pool for link downloads: a flood of link lines must not start a
// thread per line, and the receive thread that finds the links never waits.

#include <deque>
#include <system_error>
#include <mutex>
#include <thread>
#include <utility>

#include "app/text.h"
#include "links/link_download.h"
#include "links/link_texts.h"
#include "mainwindow/main_window.h"

namespace {
struct Job {
    std::wstring folder;
    std::wstring link;
};

struct Pool {
    std::mutex lock;
    std::deque<Job> waiting;
    size_t workers = 0;  // threads alive
    size_t busy = 0;     // of them, those downloading
    size_t dropped = 0;
};

Pool& pool() {
    // Never destroyed: a worker may still be running when the process ends
    // (downloads are not waited for), and must not find its pool gone.
    static Pool* the_pool = new Pool;
    return *the_pool;
}

void work() {
    Pool& jobs = pool();
    std::unique_lock<std::mutex> guard(jobs.lock);
    while (!jobs.waiting.empty()) {
        Job job = std::move(jobs.waiting.front());
        jobs.waiting.pop_front();
        ++jobs.busy;
        guard.unlock();
        download_link(job.folder, job.link);
        guard.lock();
        --jobs.busy;
    }
    --jobs.workers;
}
}  // namespace

bool queue_download(const std::wstring& folder, const std::wstring& link) {
    Pool& jobs = pool();
    bool start_worker = false;
    {
        std::lock_guard<std::mutex> guard(jobs.lock);
        // Jobs not yet taken by a worker that is starting count as running.
        if (jobs.busy + jobs.waiting.size() >= downloads_in_flight + downloads_waiting) {
            ++jobs.dropped;
        } else {
            jobs.waiting.push_back(Job{folder, link});
            if (jobs.workers < downloads_in_flight) {
                ++jobs.workers;
                start_worker = true;
            }
            if (!start_worker) return true;
        }
    }
    if (!start_worker) {
        show_status_notice(link_text::download_title, narrow_text(link_text::dropped, CP_THREAD_ACP).c_str());
        return false;
    }
    try {
        std::thread(work).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the job waits for a worker that is running, or
        // for the next link that starts one.
        std::lock_guard<std::mutex> guard(jobs.lock);
        --jobs.workers;
    }
    return true;
}

DownloadPoolFigures download_pool_figures() {
    Pool& jobs = pool();
    std::lock_guard<std::mutex> guard(jobs.lock);
    const size_t total = jobs.busy + jobs.waiting.size();
    const size_t running = total < downloads_in_flight ? total : downloads_in_flight;
    return {running, total - running, jobs.dropped};
}
