#pragma once
#include <windows.h>

#include <atomic>

// Lets another thread end a download at once: the download waits for each
// network step together with this event, and walks away when it is set.
class DownloadCancel {
public:
    DownloadCancel() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~DownloadCancel() {
        if (event_) CloseHandle(event_);
    }
    DownloadCancel(const DownloadCancel&) = delete;
    DownloadCancel& operator=(const DownloadCancel&) = delete;

    void cancel() {
        cancelled_ = true;
        if (event_) SetEvent(event_);
    }
    bool cancelled() const { return cancelled_; }
    // Set by cancel(); null when the system gave no event (then cancel() is
    // seen only between steps).
    HANDLE event() const { return event_; }

private:
    HANDLE event_;
    std::atomic<bool> cancelled_{false};
};
