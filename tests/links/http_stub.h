#pragma once
// A small web server on 127.0.0.1 for the download tests, run on a thread of
// the test: answers each request by its path, one connection at a time.
#include <winsock2.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

class HttpStub {
public:
    // Paths that answer 200 with the body ("=> where" for 302 to there);
    // others 404. A path in `stalled`
    // is accepted and never answered until the stub stops.
    explicit HttpStub(std::map<std::string, std::string> files, std::vector<std::string> stalled = {});
    ~HttpStub();
    void stop();
    std::wstring url(const std::string& path) const;
    unsigned short port() const { return port_; }
    // Requests for a stalled path taken so far.
    size_t stalled_requests() const { return stalled_requests_; }

private:
    void serve();
    void answer(SOCKET client);
    std::map<std::string, std::string> files_;
    std::vector<std::string> stalled_;
    std::vector<SOCKET> held_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<size_t> stalled_requests_{0};
    std::thread thread_;
};
