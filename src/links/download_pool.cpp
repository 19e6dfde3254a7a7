// A small pool for link downloads: a flood of link lines must not start a
// thread per line, and the receive thread that finds the links never waits.
// Its threads are detached, yet the pool knows them: at shutdown it cancels
// what runs and waits a moment for them, so that none outlives the client
// while it still reports to it.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "app/text.h"
#include "links/link_download.h"
#include "net/proxy_route.h"
#include "net/proxy_texts.h"
#include "links/link_texts.h"
#include "mainwindow/main_window.h"

namespace {
struct Job {
    std::wstring folder;
    std::wstring link;
    DownloadRequest request;
};

struct Pool {
    std::mutex lock;
    std::condition_variable worker_ended;
    std::deque<Job> waiting;
    std::list<DownloadCancel> running;  // one per download in progress; stable addresses
    size_t workers = 0;                 // threads alive
    size_t dropped = 0;
    bool stopped = false;
};

Pool& pool() {
    // Never destroyed: a worker may still be running when the process ends
    // (the shutdown waits only so long), and must not find its pool gone.
    static Pool* the_pool = new Pool;
    return *the_pool;
}

void work() {
    Pool& jobs = pool();
    std::unique_lock<std::mutex> guard(jobs.lock);
    while (!jobs.waiting.empty() && !jobs.stopped) {
        Job job = std::move(jobs.waiting.front());
        jobs.waiting.pop_front();
        jobs.running.emplace_back();
        const auto cancel = std::prev(jobs.running.end());
        guard.unlock();
        download_link(job.folder, job.link, &*cancel, job.request);
        guard.lock();
        jobs.running.erase(cancel);
    }
    --jobs.workers;
    jobs.worker_ended.notify_all();
}
}  // namespace

bool queue_download(const std::wstring& folder, const std::wstring& link, const DownloadRequest& request) {
    if (proxy_configured()) {
        show_status_notice(link_text::download_title, std::wstring(proxy_text::link_download_refused));
        return false;
    }
    Pool& jobs = pool();
    bool start_worker = false;
    {
        std::lock_guard<std::mutex> guard(jobs.lock);
        if (jobs.stopped) return false;
        // Jobs not yet taken by a worker that is starting count as running.
        if (jobs.running.size() + jobs.waiting.size() >= downloads_in_flight + downloads_waiting) {
            ++jobs.dropped;
        } else {
            jobs.waiting.push_back(Job{folder, link, request});
            if (jobs.workers < downloads_in_flight) {
                ++jobs.workers;
                start_worker = true;
            }
            if (!start_worker) return true;
        }
    }
    if (!start_worker) {
        show_status_notice(link_text::download_title, std::wstring(link_text::dropped));
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

bool stop_downloads(unsigned wait_ms) {
    Pool& jobs = pool();
    std::unique_lock<std::mutex> guard(jobs.lock);
    jobs.stopped = true;
    jobs.waiting.clear();
    for (DownloadCancel& download : jobs.running) download.cancel();
    return jobs.worker_ended.wait_for(guard, std::chrono::milliseconds(wait_ms), [&] { return jobs.workers == 0; });
}

void restart_downloads() {
    Pool& jobs = pool();
    std::lock_guard<std::mutex> guard(jobs.lock);
    jobs.stopped = false;
}

DownloadPoolFigures download_pool_figures() {
    Pool& jobs = pool();
    std::lock_guard<std::mutex> guard(jobs.lock);
    const size_t total = jobs.running.size() + jobs.waiting.size();
    const size_t running = total < downloads_in_flight ? total : downloads_in_flight;
    return {running, total - running, jobs.dropped};
}
