#include "links/async_fetch.h"

#include <initializer_list>

// What the library writes into when a step completes; heap memory, since a
// step given up on may still write here after the download has gone.
struct FetchContext {
    HANDLE completed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD_PTR result = 0;
    DWORD error = 0;
    DWORD available = 0;
    DWORD read = 0;
    char buffer[16384];
};

namespace {
void CALLBACK step_status(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information, DWORD) {
    if (status != INTERNET_STATUS_REQUEST_COMPLETE || !context || !information) return;
    auto* fetch = reinterpret_cast<FetchContext*>(context);
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

AsyncFetch::AsyncFetch(HANDLE cancel_event) : context_(new FetchContext), cancel_event_(cancel_event) {}

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
    const DWORD woken = WaitForMultipleObjects(cancel_event_ ? 2 : 1, events, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0) return done;
    abandoned_ = true;
    return cancelled;
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
