// A small pool for link downloads: a flood of link lines must not start a
// thread per line, and the receive thread that finds the links never waits.

#include <deque>
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
    size_t running = 0;
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
    for (;;) {
        Job job;
        {
            std::lock_guard<std::mutex> guard(jobs.lock);
            if (jobs.waiting.empty()) {
                --jobs.running;
                return;
            }
            job = std::move(jobs.waiting.front());
            jobs.waiting.pop_front();
        }
        download_link(job.folder, job.link);
    }
}
}  // namespace

bool queue_download(const std::wstring& folder, const std::wstring& link) {
    Pool& jobs = pool();
    bool start_worker = false;
    {
        std::lock_guard<std::mutex> guard(jobs.lock);
        if (jobs.waiting.size() >= downloads_waiting) {
            ++jobs.dropped;
        } else {
            jobs.waiting.push_back(Job{folder, link});
            if (jobs.running < downloads_in_flight) {
                ++jobs.running;
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
        --jobs.running;
    }
    return true;
}

DownloadPoolFigures download_pool_figures() {
    Pool& jobs = pool();
    std::lock_guard<std::mutex> guard(jobs.lock);
    return {jobs.running, jobs.waiting.size(), jobs.dropped};
}
