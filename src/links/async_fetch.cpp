#include "links/async_fetch.h"

#include <atomic>
#include <initializer_list>
#include <string>

#include "links/link_host.h"

// What the library writes into when a step completes; heap memory, since a
// step given up on may still write here after the download has gone.
struct FetchContext {
    HANDLE completed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD_PTR result = 0;
    DWORD error = 0;
    DWORD available = 0;
    DWORD read = 0;
    std::atomic<bool> reached_local{false};
    char buffer[16384];
};

namespace {
// The library names the address it connects to as text: bytes, or UTF-16
// from some versions.
std::string address_text(const void* information, DWORD length) {
    const char* bytes = static_cast<const char*>(information);
    std::string text;
    const bool wide = length >= 2 && bytes[1] == 0;
    for (DWORD i = 0; i < length && i < 128 && bytes[i]; i += wide ? 2 : 1) text += bytes[i];
    return text;
}

void CALLBACK step_status(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information, DWORD length) {
    if (!context || !information) return;
    auto* fetch = reinterpret_cast<FetchContext*>(context);
    if (status == INTERNET_STATUS_NAME_RESOLVED || status == INTERNET_STATUS_CONNECTING_TO_SERVER ||
        status == INTERNET_STATUS_CONNECTED_TO_SERVER) {
        if (judge_address_text(address_text(information, length)) == HostReach::local) fetch->reached_local = true;
        return;
    }
    if (status != INTERNET_STATUS_REQUEST_COMPLETE) return;
    const auto* result = static_cast<const INTERNET_ASYNC_RESULT*>(information);
    fetch->result = result->dwResult;
    fetch->error = result->dwError;
    SetEvent(fetch->completed);
}

void close_quietly(HINTERNET handle) {
    if (!handle) return;
    // No callback after this: the context may be freed once it returns.
    InternetSetStatusCallbackW(handle, nullptr);
    InternetCloseHandle(handle);
}
}  // namespace

AsyncFetch::AsyncFetch(HANDLE cancel_event, unsigned long long deadline)
    : context_(new FetchContext), cancel_event_(cancel_event), deadline_(deadline) {}

AsyncFetch::~AsyncFetch() {
    if (abandoned_) {
        // A step is still running: closing lets the library end it as soon as
        // it can, and the context stays for it to complete into.
        if (request_) InternetCloseHandle(request_);
        if (session_) InternetCloseHandle(session_);
        return;
    }
    close_quietly(request_);
    close_quietly(session_);
    if (context_->completed) CloseHandle(context_->completed);
    delete context_;
}

AsyncFetch::Step AsyncFetch::wait(DWORD& error) {
    if (!context_->completed) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return failed;
    }
    const HANDLE events[2] = {context_->completed, cancel_event_};
    const unsigned long long now = GetTickCount64();
    const unsigned long long left = deadline_ > now ? deadline_ - now : 0;
    const DWORD woken = WaitForMultipleObjects(cancel_event_ ? 2 : 1, events, FALSE,
                                               left < INFINITE ? static_cast<DWORD>(left) : INFINITE - 1);
    if (woken == WAIT_OBJECT_0) return done;
    abandoned_ = true;
    return woken == WAIT_TIMEOUT ? timed_out : cancelled;
}

AsyncFetch::Step AsyncFetch::open(const wchar_t* user_agent, const std::wstring& link, DWORD flags,
                                  DWORD step_timeout_ms, DWORD& error) {
    session_ = InternetOpenW(user_agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    if (!session_) {
        error = GetLastError();
        return failed;
    }
    // Each network step gives up after this long on its own.
    DWORD timeout = step_timeout_ms;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionW(session_, option, &timeout, sizeof timeout);
    if (InternetSetStatusCallbackW(session_, step_status) == INTERNET_INVALID_STATUS_CALLBACK) {
        error = GetLastError();
        return failed;
    }
    ResetEvent(context_->completed);
    request_ = InternetOpenUrlW(session_, link.c_str(), nullptr, 0, flags, reinterpret_cast<DWORD_PTR>(context_));
    if (request_) return done;
    error = GetLastError();
    if (error != ERROR_IO_PENDING) return failed;
    const Step step = wait(error);
    if (step != done) return step;
    request_ = reinterpret_cast<HINTERNET>(context_->result);
    if (request_) return done;
    error = context_->error;
    return failed;
}

// After a call that failed at once or will finish later: waits for it and
// says how it ended.
AsyncFetch::Step AsyncFetch::finish_pending(DWORD& error) {
    error = GetLastError();
    if (error != ERROR_IO_PENDING) return failed;
    const Step step = wait(error);
    if (step != done) return step;
    if (context_->result) return done;
    error = context_->error;
    return failed;
}

AsyncFetch::Step AsyncFetch::read(DWORD& count, DWORD& error) {
    count = 0;
    // Asking what is there first, so that the read itself takes only what
    // has arrived and does not wait to fill the buffer.
    for (;;) {
        ResetEvent(context_->completed);
        context_->available = 0;
        if (InternetQueryDataAvailable(request_, &context_->available, 0, 0)) break;
        const Step step = finish_pending(error);
        if (step != done) return step;
        // Data has come: asked again, it answers at once.
    }
    if (context_->available == 0) return done;
    ResetEvent(context_->completed);
    context_->read = 0;
    const DWORD wanted = context_->available < sizeof context_->buffer ? context_->available : sizeof context_->buffer;
    if (!InternetReadFile(request_, context_->buffer, wanted, &context_->read)) {
        const Step step = finish_pending(error);
        if (step != done) return step;
    }
    count = context_->read;
    return done;
}

const char* AsyncFetch::data() const {
    return context_->buffer;
}

bool AsyncFetch::reached_local_address() const {
    return context_->reached_local;
}

bool AsyncFetch::through_proxy() const {
    alignas(INTERNET_PROXY_INFO) unsigned char buffer[4096] = {};
    DWORD size = sizeof buffer;
    if (!session_ || !InternetQueryOptionW(session_, INTERNET_OPTION_PROXY, buffer, &size)) return false;
    return reinterpret_cast<const INTERNET_PROXY_INFO*>(buffer)->dwAccessType == INTERNET_OPEN_TYPE_PROXY;
}
