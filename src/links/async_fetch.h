#pragma once
#include <windows.h>
#include <wininet.h>

#include <string>

struct FetchContext;

// One download's WinINet calls, made in the library's asynchronous mode: each
// step is started and then waited for together with a cancel event. A
// synchronous call that blocks (a server that accepts and says nothing) ends
// only with its step time-out, and closing its handle from another thread
// does not end it everywhere (it does not under Wine); this way the shutdown
// can walk away from it at once.
//
// A step still running when the download walks away may complete later into
// what it was given: that context is then left to it (never freed), which
// costs a few kilobytes once, at shutdown.
class AsyncFetch {
public:
    enum Step { done, failed, cancelled, timed_out };

    // `cancel_event` (may be null) ends every wait when set; no wait goes on
    // past `deadline` (a GetTickCount64 time): the step is then given up.
    AsyncFetch(HANDLE cancel_event, unsigned long long deadline);
    ~AsyncFetch();
    AsyncFetch(const AsyncFetch&) = delete;
    AsyncFetch& operator=(const AsyncFetch&) = delete;

    // Connects and sends the request; `error` is the system's code on failure.
    Step open(const wchar_t* user_agent, const std::wstring& link, DWORD flags, DWORD step_timeout_ms,
              DWORD& error);
    // The request, for its status; valid after open() is done.
    HINTERNET request() const { return request_; }
    // Waits until data has arrived and reads what there is into data():
    // `count` bytes, 0 at the end of the answer.
    Step read(DWORD& count, DWORD& error);
    const char* data() const;
    // True when the library connected to a local address (link_host.h) on
    // the way, whatever the name resolved to when it was looked at before.
    bool reached_local_address() const;
    // True when the requests go through a proxy, which is then the address
    // reached (a proxy on this machine is the user's own choice).
    bool through_proxy() const;

private:
    Step wait(DWORD& error);
    Step finish_pending(DWORD& error);
    FetchContext* context_;
    HANDLE cancel_event_;
    unsigned long long deadline_;
    HINTERNET session_ = nullptr;
    HINTERNET request_ = nullptr;
    bool abandoned_ = false;
};
